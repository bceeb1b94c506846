#!/usr/bin/env bash
# Builds the image fuzzer with clang (libFuzzer, ASan, UBSan) in build/fuzz and runs it for a
# bounded time, starting from seeds made on the spot. An input that breaks an invariant or
# crashes is saved in fuzz/regressions/, where the FuzzRegressions test replays it.
#
#   fuzz/run.sh [SECONDS] [extra libFuzzer flags...]     (default 60 s)
#
# VORLANE_FUZZ_BUILD overrides the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
seconds=${1:-60}
[ $# -gt 0 ] && shift
build=${VORLANE_FUZZ_BUILD:-$repo/build/fuzz}
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))

cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DVORLANE_BUILD_FUZZ=ON -DVORLANE_SANITIZE=ON \
  -DVORLANE_BUILD_UI=OFF -DVORLANE_BUILD_TESTS=OFF -DVORLANE_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target vorlane_image_fuzzer vorlane_fuzz_seeds

corpus=$build/corpus
mkdir -p "$corpus"
"$build/fuzz/vorlane_fuzz_seeds" "$corpus"

# Saves write and fsync whole files; on a tmpfs that costs nothing.
scratch_base=/dev/shm
[ -d "$scratch_base" ] && [ -w "$scratch_base" ] || scratch_base=${TMPDIR:-/tmp}
scratch=$(mktemp -d "$scratch_base/vorlane-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

regressions=$repo/fuzz/regressions
before=$(ls "$regressions")
status=0
VORLANE_FUZZ_SCRATCH=$scratch \
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
  "$build/fuzz/vorlane_image_fuzzer" "$corpus" \
  -max_total_time="$seconds" -max_len=28672 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$regressions/" -print_final_stats=1 "$@" || status=$?

kept=$(comm -13 <(echo "$before") <(ls "$regressions"))
if [ -n "$kept" ]; then
  echo "New failing inputs, kept as regression tests (commit them):"
  for f in $kept; do echo "  fuzz/regressions/$f"; done
  [ "$status" -ne 0 ] || status=1
fi
exit "$status"
