#!/usr/bin/env bash
# Installs what is missing, builds the editor in Release and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --run-only
cmake --preset release >/dev/null
# Only the editor: the tests and the benchmarks wait for the test command.
cmake --build --preset release -j"$(nproc)" --target vorlane
exec build/release/app/vorlane "$@"
