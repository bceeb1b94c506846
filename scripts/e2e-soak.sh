#!/usr/bin/env bash
# Runs the end-to-end tests (bare X server, openbox, Wayland) N times in a row while a CPU-heavy
# test, the randomized session, runs beside them without a break, and reports how many rounds
# failed. A flaky wait shows up here long before it shows up in CI. Not part of the test command.
#
#   scripts/e2e-soak.sh [N]        (default 30; uses the release build, building it if needed)
#
# The output of every failed round is kept in build/release/e2e/soak/round-K.log.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-30}
scripts/setup.sh >/dev/null
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" >/dev/null

logs=build/release/e2e/soak
rm -rf "$logs"
mkdir -p "$logs"

# The load: the randomized session test, over and over, until the rounds are done.
(
  while true; do
    QT_QPA_PLATFORM=offscreen ctest --test-dir build/release -R RandomSession >/dev/null 2>&1 || true
  done
) &
load=$!
stop_load() {
  kill "$load" 2>/dev/null || true
  pkill -P "$load" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap stop_load EXIT

failed=0
start=$SECONDS
for round in $(seq 1 "$rounds"); do
  if ctest --test-dir build/release -L e2e -j2 --output-on-failure >"$logs/round-$round.log" 2>&1; then
    rm "$logs/round-$round.log"
    echo "round $round/$rounds: passed"
  else
    failed=$((failed + 1))
    echo "round $round/$rounds: FAILED ($(grep -m1 -o 'FAIL in step.*' "$logs/round-$round.log" || true))"
  fi
done
echo "$rounds rounds of the end-to-end tests beside a CPU-heavy test: $((rounds - failed)) passed," \
  "$failed failed, $((SECONDS - start)) s"
[ "$failed" -eq 0 ]
