#!/usr/bin/env bash
# Builds the Debian package: installs what is missing, builds the programs in Release (the `package`
# preset, in build/package) with Debian's hardening flags, and makes the .deb with CPack. Its
# dependencies come from the libraries the programs link (dpkg-shlibdeps). Prints the path of the
# .deb last, alone on standard output; everything else goes to standard error.
#
#   scripts/package.sh && sudo apt install ./build/package/vorlane_*.deb
#   scripts/package.sh release   the same from the `release` preset, tests and all built with those
#                                flags, so that the test command builds Release once, not twice
set -euo pipefail
exec 3>&1 1>&2
cd "$(dirname "$0")/.."
scripts/setup.sh --package
preset=${1:-package}

# The flags Debian builds its own packages with: fortified functions, stack protector, read-only
# relocations. Given on every configure, so the cache always holds them.
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake --preset "$preset" -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"

log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! cpack --config "build/$preset/CPackConfig.cmake" -B "build/$preset" >"$log" 2>&1; then
  cat "$log"
  exit 1
fi
deb=$(sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' "$log")
if [ ! -f "$deb" ]; then
  cat "$log"
  echo "cpack made no .deb" >&2
  exit 1
fi
echo "$deb" >&3
