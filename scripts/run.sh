#!/usr/bin/env bash
# Installs what is missing, builds the editor in Release and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --run-only
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
exec build/release/app/vorlane "$@"
