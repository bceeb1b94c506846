#!/usr/bin/env bash
# Counts, with callgrind, the instructions of one iteration of each benchmark and of one whole
# start of each program: unlike the clock, the counts repeat from run to run on a busy machine.
#   bench/callgrind.sh [build folder, default build/release] [benchmark name...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
shift || true
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  names=(BareWindow MainWindowShown Load WriteFsyncReference CrashSafeFloor Save SaveSet
         OpenStepList PageTurnScrollBar PageTurnWheel OpenEditor VorlanectlImport)
fi
bin=$build/bench
export QT_QPA_PLATFORM=offscreen

# Instructions callgrind collected for a command, with the given extra valgrind options.
collected() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 |
    sed -n 's/.*Collected : *//p'
}

printf '%-22s %15s\n' "Benchmark" "Ir/iteration"
# Only the measured part of an iteration counts (Measure() in bench_common.cpp); the difference
# between 11 iterations and 1 leaves out set-up and the first, colder, iteration.
for name in "${names[@]}"; do
  toggle="--toggle-collect=vorlane::bench::Measure*"
  one=$(collected "$toggle" "$bin/vorlane_bench" --process_runs=0 --iterations=1 \
    "--benchmark_filter=^${name}/")
  eleven=$(collected "$toggle" "$bin/vorlane_bench" --process_runs=0 --iterations=11 \
    "--benchmark_filter=^${name}/")
  printf '%-22s %15d\n' "$name" $(((eleven - one) / 10))
done

# The whole-process subjects quit once their window is painted when given a descriptor to report to.
export VORLANE_BENCH_SHOWN_FD=9
shape=$("$bin/vorlane_bench" --process_runs=0 --iterations=1 --benchmark_filter=^BareWindow/ 2>/dev/null)
size=$(sed -n 's/^Main window size: \([0-9]*\)x\([0-9]*\).*/\1 \2/p' <<<"$shape")
# The main window's faces, each as the captions drawn in it (a space if none) and its font.
faces=()
while IFS=$'\t' read -r font captions; do
  faces+=("${captions:- }" "$font")
done < <(sed -n 's/^Main window face: //p' <<<"$shape")
printf '%-22s %15d\n' "bare program start" "$(collected "$bin/bare_qt_window" $size 9>/dev/null)"
with_text=$(collected "$bin/bare_qt_window" $size Load 9>/dev/null)
printf '%-22s %15d\n' "  with a line of text" "$with_text"
with_faces=$(collected "$bin/bare_qt_window" $size "${faces[@]}" 9>/dev/null)
printf '%-22s %15d\n' "  with the faces" "$with_faces"
vorlane=$(collected "$bin/vorlane_shown" 9>/dev/null)
# The start's target: at most 1.25 times the bare program with text, which draws in one face.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf '%-22s %15d  %sx the bare program with text (target <= 1.25x), %sx with the faces\n' \
  "vorlane start" "$vorlane" "$(ratio "$vorlane" "$with_text")" "$(ratio "$vorlane" "$with_faces")"
