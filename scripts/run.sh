#!/usr/bin/env bash
# Installs what is missing, builds the editor and vorlanectl in Release and starts the editor.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --run-only
cmake --preset release >/dev/null
# Only the programs: the tests and the benchmarks wait for the test command.
cmake --build --preset release -j"$(nproc)" --target vorlane vorlanectl
exec build/release/app/vorlane "$@"
