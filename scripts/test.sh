#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: a bounded fuzzing run of the image core
# and of `vorlanectl import` (VORLANE_FUZZ_SECONDS in all, split evenly, default 60; 0 skips it),
# then every CTest test once in Release, the Debian package built and checked (lintian,
# validators, the installed programs), and every CTest test once more with AddressSanitizer and
# UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

fuzz_seconds=${VORLANE_FUZZ_SECONDS:-60}
if [ "$fuzz_seconds" -gt 0 ]; then
  # Without libFuzzer's progress lines.
  fuzz/run.sh "$fuzz_seconds" 2>&1 | grep -vE '^(#[0-9]+[[:space:]]|[[:space:]]*NEW_FUNC)'
fi

# Release once, with Debian's flags: its programs are the package's too.
deb=$(scripts/package.sh release)
ctest --preset release -j"$jobs"
packaging/check-package.sh "$deb"

cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j"$jobs"
ctest --preset sanitize -j"$jobs"
