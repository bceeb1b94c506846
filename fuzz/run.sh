#!/usr/bin/env bash
# Builds the fuzzers with clang (libFuzzer, ASan, UBSan) in build/fuzz and runs them for a bounded
# time in all, starting from seeds made on the spot:
#   image     arbitrary bytes loaded, mapped, edited and saved as the editor does it
#   settings  arbitrary text imported onto fixed images as `vorlanectl import` does it
# The time is split evenly between the targets run. An input that breaks an invariant or crashes
# is saved in fuzz/TARGET_regressions/, where the FuzzRegressions test replays it.
#
#   fuzz/run.sh [SECONDS] [extra libFuzzer flags...]     (default 60 s in all)
#
# VORLANE_FUZZ_TARGETS picks the targets ("image settings" by default); VORLANE_FUZZ_BUILD
# overrides the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
seconds=${1:-60}
[ $# -gt 0 ] && shift
build=${VORLANE_FUZZ_BUILD:-$repo/build/fuzz}
read -r -a targets <<<"${VORLANE_FUZZ_TARGETS:-image settings}"
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))

cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DVORLANE_BUILD_FUZZ=ON -DVORLANE_SANITIZE=ON \
  -DVORLANE_BUILD_UI=OFF -DVORLANE_BUILD_TESTS=OFF -DVORLANE_BUILD_BENCHMARKS=OFF >/dev/null
build_targets=()
for target in "${targets[@]}"; do
  case $target in
    image | settings) build_targets+=("vorlane_${target}_fuzzer") ;;
    *) echo "unknown fuzz target: $target (image, settings)" >&2; exit 2 ;;
  esac
done
cmake --build "$build" -j"$jobs" --target vorlane_fuzz_seeds "${build_targets[@]}"

# Saves write and fsync whole files; on a tmpfs that costs nothing.
scratch_base=/dev/shm
[ -d "$scratch_base" ] && [ -w "$scratch_base" ] || scratch_base=${TMPDIR:-/tmp}
scratch=$(mktemp -d "$scratch_base/vorlane-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

share=$(( seconds / ${#targets[@]} ))
[ "$share" -gt 0 ] || share=1
status=0
for target in "${targets[@]}"; do
  corpus=$build/corpus-$target
  mkdir -p "$corpus"
  regressions=$repo/fuzz/${target}_regressions
  if [ "$target" = image ]; then
    "$build/fuzz/vorlane_fuzz_seeds" image "$corpus"
    flags=(-max_len=28672)
  else
    "$build/fuzz/vorlane_fuzz_seeds" settings "$corpus" "$build/settings.dict"
    flags=(-max_len=32768 -dict="$build/settings.dict")
  fi
  echo "== $target fuzzer, $share s"
  before=$(ls "$regressions")
  target_status=0
  VORLANE_FUZZ_SCRATCH=$scratch \
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
  UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    "$build/fuzz/vorlane_${target}_fuzzer" "$corpus" \
    -max_total_time="$share" -timeout=10 -rss_limit_mb=2048 "${flags[@]}" \
    -artifact_prefix="$regressions/" -print_final_stats=1 "$@" || target_status=$?

  kept=$(comm -13 <(echo "$before") <(ls "$regressions"))
  if [ -n "$kept" ]; then
    echo "New failing inputs, kept as regression tests (commit them):"
    for f in $kept; do echo "  ${regressions#"$repo"/}/$f"; done
    [ "$target_status" -ne 0 ] || target_status=1
  fi
  [ "$target_status" -eq 0 ] || status=$target_status
done
exit "$status"
