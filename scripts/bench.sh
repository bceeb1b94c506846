#!/usr/bin/env bash
# Builds the editor in Release and runs its benchmarks offscreen: the windows and commands next to
# a bare Qt window, the program's start-up and memory next to a bare Qt program. Ends with a table
# of every figure against its target. Arguments go to the benchmark program, for example
# --process_runs=21 or --benchmark_filter=PageTurn.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --run-only
cmake --preset release >/dev/null
cmake --build --preset release -j2
QT_QPA_PLATFORM=offscreen exec build/release/bench/vorlane_bench "$@"
