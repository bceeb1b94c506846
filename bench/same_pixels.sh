#!/usr/bin/env bash
# Shows the main window of two builds of the editor, one after the other, on a bare X server of
# its own and compares screenshots of the two windows pixel by pixel: a change made for speed must
# leave the first window exactly as it was, and the icon it carries (_NET_WM_ICON, every size).
# Prints the number of differing pixels; exits 0 only when there are none and the icons match.
#   bench/same_pixels.sh BEFORE_PROGRAM AFTER_PROGRAM [folder for the screenshots]
set -uo pipefail
before=$1 after=$2
dir=${3:-$(mktemp -d "${TMPDIR:-/tmp}/vorlane-pixels.XXXXXX")}
mkdir -p "$dir"
wait_limit=${E2E_WAIT:-30}
fail() { echo "same_pixels: $*" >&2; }
# shellcheck source=../e2e/session.sh
source "$(dirname "$0")/../e2e/session.sh"
trap 'stop_session' EXIT
start_xvfb 1280 800 "$dir" || exit 1
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$dir

# Two screenshots in a row alike: the window is painted and stays so.
same_twice() {
  import -window "$found" "$dir/$1.png" 2>/dev/null &&
    [ -f "$dir/$1.prev.png" ] && compare -metric AE "$dir/$1.png" "$dir/$1.prev.png" null: 2>/dev/null
  local same=$?
  cp "$dir/$1.png" "$dir/$1.prev.png" 2>/dev/null
  return $same
}

shot() {
  local name=$1 program=$2
  "$program" >"$dir/$name.log" 2>&1 &
  local pid=$!
  wait_window Vorlane || return 1
  poll same_twice "$name" || fail "the window of $name did not settle"
  has_icon() { xprop -id "$found" _NET_WM_ICON >"$dir/$name.icon" 2>/dev/null && grep -q 'Icon (' "$dir/$name.icon"; }
  poll has_icon || fail "the window of $name carries no icon"
  kill "$pid" && wait "$pid" 2>/dev/null
  return 0
}

shot before "$before" && shot after "$after" || exit 1
differing=$(compare -metric AE "$dir/before.png" "$dir/after.png" "$dir/difference.png" 2>&1)
echo "pixels differing: $differing ($(identify -format '%wx%h' "$dir/after.png"), $dir)"
icon=same
cmp -s "$dir/before.icon" "$dir/after.icon" || icon=different
echo "window icon: $icon ($(grep -c 'Icon (' "$dir/after.icon") sizes)"
[ "$differing" = 0 ] && [ $icon = same ]
