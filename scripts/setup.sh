#!/usr/bin/env bash
# Installs what building, running and testing the editor need on Debian 12 or Ubuntu, skipping
# what is already there.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  qt6-base-dev            # Qt 6 Widgets
  libqt6svg6              # Qt's SVG icon engine, for the window icon
  fonts-arphic-uming      # a Ming face for the Chinese labels
  fonts-dejavu-core       # a sans face for the rest
  libgtest-dev            # unit and widget tests
  libbenchmark-dev        # the benchmark program
  xvfb xdotool xclip x11-utils imagemagick  # the end-to-end test on a real X server
  clang libclang-rt-14-dev  # the fuzz target
)
if [ "${1:-}" = "--run-only" ]; then
  packages=(g++ cmake make pkg-config qt6-base-dev libqt6svg6 fonts-arphic-uming fonts-dejavu-core libgtest-dev libbenchmark-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
