#!/usr/bin/env bash
# Installs what building, running, packaging and testing the editor need on Debian 12 or Ubuntu,
# skipping what is already there.
#   scripts/setup.sh              everything (the test command)
#   scripts/setup.sh --run-only   building and running the editor (scripts/run.sh)
#   scripts/setup.sh --package    building the Debian package (scripts/package.sh)
set -euo pipefail

build=(
  g++ cmake make pkg-config
  qt6-base-dev            # Qt 6 Widgets and PrintSupport
  qt6-svg-dev             # the editor's print preview draws the key map's SVG
  libtomlplusplus-dev     # vorlanectl: reading settings files
  libcli11-dev            # vorlanectl: its command line
  libxkbcommon-dev libxkbregistry-dev  # vorlanectl type --layout: keymaps and layout names
  libqt6svg6              # Qt's SVG reader, to render the window icon at build time
)
run=(
  fonts-arphic-uming      # a Ming face for the Chinese labels
  fonts-dejavu-core       # a sans face for the rest
  xkb-data libx11-data    # vorlanectl type --layout: the layouts and the compose table
)
package=(
  dpkg-dev file           # the package's dependencies from the libraries the programs link
  bash-completion         # names the folder the completion is installed in
)
case "${1:-}" in
  --run-only) packages=("${build[@]}" "${run[@]}" libgtest-dev libbenchmark-dev libxkbcommon-tools) ;;
  --package) packages=("${build[@]}" "${package[@]}") ;;
  *)
    packages=(
      "${build[@]}" "${run[@]}" "${package[@]}"
      libgtest-dev            # unit and widget tests
      libxml2-utils librsvg2-bin poppler-utils  # ... of the key map: xmllint, rsvg-convert, pdftotext
      acl strace procps util-linux  # ... of the writers: setfacl, failed system calls, pgrep, setpriv
      libbenchmark-dev        # the benchmark program
      libxkbcommon-tools      # ... its base for type --layout, xkbcli how-to-type
      xvfb xdotool x11-utils imagemagick  # the end-to-end test on a real X server
      xclip                   # ... reading the clipboard the step list copies to
      x11-xkb-utils           # ... on a German layout (setxkbmap)
      openbox                 # ... under a window manager
      weston xwayland qt6-wayland  # ... on a Wayland compositor
      dbus dbus-bin at-spi2-core python3-pyatspi  # ... read by a screen reader
      clang libclang-rt-14-dev  # the fuzz target
      desktop-file-utils appstream lintian groff-base  # checks of the desktop files and package
    )
    ;;
esac

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
