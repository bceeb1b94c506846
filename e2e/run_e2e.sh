#!/usr/bin/env bash
# End-to-end test: the built editor on a real display, driven only from outside, as a user and a
# screen reader would drive it: through the X server with xdotool (clicks at the controls'
# places, keys, window names) and through the accessibility bus (e2e/a11y.py).
#
#   run_e2e.sh VORLANE IMAGE_TOOL ARTIFACTS_DIR [DESKTOP]
#
# DESKTOP is where the editor runs:
#   bare     its own Xvfb, no window manager (the default)
#   openbox  its own Xvfb with the openbox window manager: placement is about frames, and each
#            window must come to the front
#   wayland  weston's headless compositor with Xwayland, QT_QPA_PLATFORM unset: the editor must
#            choose X11 by itself, and keep Wayland when the user asks for it. Xwayland without a
#            seat takes no synthetic input, so this run is driven through the accessibility bus.
#
# Screenshots of every step and the editor's output are kept in ARTIFACTS_DIR. Exits 0 on
# success, 1 on failure (naming the step and the windows on screen), 77 when a tool is missing.
# E2E_WAIT (seconds, default 30) bounds every single wait; every wait is on a condition, and every
# key is sent only once the control meant to take it is seen to have the focus.
set -uo pipefail

if [ $# -lt 3 ] || [ $# -gt 4 ]; then
  echo "usage: $0 VORLANE IMAGE_TOOL ARTIFACTS_DIR [bare|openbox|wayland]" >&2
  exit 2
fi
app=$(realpath "$1")
tool=$(realpath "$2")
art=$3
desktop=${4:-bare}
here=$(cd "$(dirname "$0")" && pwd)
wait_limit=${E2E_WAIT:-30}
export E2E_WAIT=$wait_limit

skip() {
  echo "SKIP: $1; scripts/setup.sh installs it"
  exit 77
}
needed=(xdotool xwininfo xprop dbus-send dbus-run-session)
case $desktop in
  bare) needed+=(Xvfb xclip) ;;
  openbox | keyboard) needed+=(Xvfb xclip openbox) ;;
  wayland) needed+=(weston Xwayland) ;;
  *)
    echo "unknown desktop \"$desktop\"" >&2
    exit 2
    ;;
esac
for t in "${needed[@]}"; do command -v "$t" >/dev/null 2>&1 || skip "$t is not installed"; done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "python3-pyatspi is not installed"

# A session bus and a runtime folder of our own, whatever the caller's session has: the
# accessibility bus keeps its socket in the runtime folder, and runs side by side must not meet.
if [ -z "${VORLANE_E2E_BUS:-}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d "${TMPDIR:-/tmp}/vorlane-e2e.XXXXXX") || exit 1
  export XDG_RUNTIME_DIR
  env VORLANE_E2E_BUS=1 dbus-run-session -- bash "$0" "$@"
  status=$?
  rm -rf "$XDG_RUNTIME_DIR"
  exit "$status"
fi

have_import=0
command -v import >/dev/null 2>&1 && have_import=1

rm -rf "$art"
mkdir -p "$art/work"
work=$art/work

# ---------------------------------------------------------------------------------------------
# Plumbing: the display, windows, waits, screenshots, failure report.

step="setting up"
display_pid=""
wm_pid=""
app_pid=""
shots=0

# The screen is tall so that a button list's popup shows all 130 entries at once (step 2, M5).
screen_width=1280
screen_height=4000
# The keyboard-only run has a laptop's screen.
[ "$desktop" = keyboard ] && screen_height=800

cleanup() {
  local p
  for p in "$app_pid" "${second_pid:-}" "${READER_PID:-}" "$wm_pid" "$display_pid"; do
    if [ -n "$p" ] && kill -0 "$p" 2>/dev/null; then kill "$p" 2>/dev/null; fi
  done
  wait 2>/dev/null
}
trap cleanup EXIT

# Screenshot of the part of the screen the windows use; the whole height only when asked.
shot() {
  shots=$((shots + 1))
  [ "$have_import" = 1 ] || return 0
  local crop="-crop ${screen_width}x1000+0+0"
  [ "${2:-}" = tall ] && crop=""
  # shellcheck disable=SC2086
  import -display "$DISPLAY" -window root $crop +repage "$art/$(printf '%02d' "$shots")-$1.png" \
    2>/dev/null || true
}

visible_windows() { xdotool search --onlyvisible --name '.' 2>/dev/null; }

show_windows() {
  echo "Windows on screen:"
  local w
  for w in $(visible_windows); do
    echo "  $w \"$(xdotool getwindowname "$w" 2>/dev/null)\" $(window_geometry "$w" 2>/dev/null)"
  done
}

fail() {
  echo "FAIL in step \"$step\" ($desktop): $*"
  if [ -n "${DISPLAY:-}" ]; then
    show_windows
    # An X client on Xwayland that takes no input can still be asked what the screen shows.
    shot failure
  fi
  if [ -s "$art/vorlane.log" ]; then
    echo "--- editor output (last lines) ---"
    tail -n 30 "$art/vorlane.log"
  fi
  echo "Screenshots and files: $art"
  exit 1
}

begin() {
  step=$1
  echo "== $step"
}

# Polls `command...` every 0.2 s until it succeeds or wait_limit seconds have passed.
poll() {
  local deadline=$((SECONDS + wait_limit))
  while ! "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

# Like poll, for at most five seconds.
poll_briefly() {
  local deadline=$((SECONDS + 5))
  while ! "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

# Visible windows whose name is exactly $1 (xdotool's own match is a case-blind pattern).
windows_named() {
  local w
  for w in $(visible_windows); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && echo "$w"
  done
}

# Prints the one visible window named $1 that is not $2 (may be empty); fails if there are more.
found=""
find_window() {
  local ids
  ids=$(windows_named "$1" | grep -vx "${2:-none}")
  [ "$(printf '%s' "$ids" | grep -c .)" = 1 ] || return 1
  found=$ids
}

# Waits for a window named $1 (other than $2) and sets $found to it.
wait_window() {
  poll find_window "$1" "${2:-}" || fail "no window named \"$1\" appeared within ${wait_limit}s"
}

window_gone() { ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }

wait_gone() {
  poll window_gone "$1" || fail "window $1 (\"$2\") is still on screen after ${wait_limit}s"
}

# "X Y WIDTH HEIGHT" of a window's client area on the screen.
window_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                            /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}

# "X Y WIDTH HEIGHT" of a window's outer frame: the client area and the borders the window manager
# says it added (none without a window manager).
frame_geometry() {
  local x y w h left=0 right=0 top=0 bottom=0 extents
  read -r x y w h < <(window_geometry "$1")
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -o '= .*' | tr -d '=,')
  [ -n "$extents" ] && read -r left right top bottom <<<"$extents"
  echo $((x - left)) $((y - top)) $((w + left + right)) $((h + top + bottom))
}

# Twips to pixels, as the editor lays out its windows: 15 twips make one pixel.
px() { echo $((($1 + 7) / 15)); }

# Clicks the middle of the control at LEFT TOP WIDTH HEIGHT (twips) of window $1.
click_control() {
  local x y
  x=$(($(px "$2") + $(px "$4") / 2))
  y=$(($(px "$3") + $(px "$5") / 2))
  xdotool mousemove --window "$1" "$x" "$y" click 1
}

double_click_control() {
  local x y
  x=$(($(px "$2") + $(px "$4") / 2))
  y=$(($(px "$3") + $(px "$5") / 2))
  xdotool mousemove --window "$1" "$x" "$y" click --repeat 2 --delay 80 1
}

# Gives window $1 the keyboard: through the window manager where there is one.
focus() {
  if [ "$desktop" = openbox ] || [ "$desktop" = keyboard ]; then
    xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowactivate "$1"
  else
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  fi
}

clipboard_is() { [ "$(timeout 5 xclip -o -selection clipboard 2>/dev/null)" = "$1" ]; }

# ---------------------------------------------------------------------------------------------
# The screen reader: e2e/a11y.py, one command a line, one answer a line.

reader_started=0
start_reader() {
  # The accessibility bus, started on demand by the session bus, announces itself on our display.
  dbus-update-activation-environment DISPLAY XDG_RUNTIME_DIR ||
    fail "cannot hand the display to the session bus"
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled \
    variant:boolean:true >/dev/null || fail "the accessibility bus did not start"
  coproc READER { exec /usr/bin/python3 "$here/a11y.py" 2>"$art/a11y.log"; }
  reader_started=1
}

# Asks the screen reader; its answer's value is left in $answer. Fails the test on "fail".
answer=""
ask() {
  [ "$reader_started" = 1 ] || fail "the screen reader is not running"
  printf '%q ' "$@" >&"${READER[1]}"
  echo >&"${READER[1]}"
  IFS= read -r -t $((wait_limit + 15)) answer <&"${READER[0]}" ||
    fail "the screen reader did not answer \"$*\" ($(tail -n 3 "$art/a11y.log"))"
  case $answer in
    ok*)
      answer=${answer#ok}
      answer=${answer# }
      ;;
    *) fail "screen reader, \"$*\": $answer" ;;
  esac
}

# Sends KEYS only once control ROLE NAME of window WINDOW has the keyboard focus:
#   keys_to WINDOW ROLE NAME KEY...
keys_to() {
  ask focused "$1" "$2" "$3"
  shift 3
  xdotool key "$@"
}

# Waits for a message box (a window named "Vorlane" other than the main window) and closes it with
# Enter on its OK button. What it says cannot be read by xdotool; the screenshot shows it, and the
# file on disk shows what the command did.
answer_message() {
  local box
  echo "   message box expected: \"$1\""
  wait_window "Vorlane" "$main"
  box=$found
  shot message
  focus "$box"
  keys_to "alert:Vorlane" "push button" OK Return
  wait_gone "$box" "message box"
}

# Fails unless file $1 equals file $2 byte for byte, listing the differences (offsets 0-based).
expect_same_file() {
  if ! cmp -s "$1" "$2"; then
    echo "Differences (offset from 0, expected, found; decimal):"
    local offset want got
    cmp -l "$2" "$1" 2>&1 | head -n 20 | while read -r offset want got; do
      if [ -n "$got" ]; then
        echo "  $((offset - 1)) $((8#$want)) $((8#$got))"
      else
        echo "  $offset $want"
      fi
    done
    fail "$3"
  fi
}

# ---------------------------------------------------------------------------------------------
# Layout of the controls the test touches, in twips: left top width height.

# Main window.
load_button="120 120 2415 495"
save_button="3600 120 2535 495"
exit_button="7200 120 2415 495"
path_box="120 840 9495 375"
combo5="120 2640 2295 360"
set_prog3="4920 3240 2295 495"
# Step list: the step text of visible row r (0..9), and the scroll bar.
row_text() { echo "840 $((120 + 480 * $1)) 4935 375"; }
scroll_bar_left=5880
scroll_bar_top=120
scroll_bar_width=495
scroll_bar_height=4695
# Macro editor.
save_set="10800 120 1335 375"
key_esc="120 720 495 495"
key_1="720 1440 495 495"
key_q="1080 2040 495 495"
key_a="1200 2640 495 495"
key_z="1560 3240 495 495"
key_null="11160 720 1095 495"
key_space="2400 3840 3615 495"

# Codes the test expects in the file: catalogue functions and key codes of the device.
code_a=4 code_b=5 code_c=6 code_d=7 code_f=9 code_g=10 code_h=11  # "a A".."h H" but "e E"
code_www_favorites=250  # last catalogue entry
code_m=16               # "m M", catalogue position 20
position_m=20
catalogue_size=130
modifier_fd_stop=253
delay_half_second=5
key_code_1=30 key_code_q=20 key_code_a=4 key_code_z=29 key_code_null=0 key_code_space=44
key_code_s=22 key_code_d=7

# ---------------------------------------------------------------------------------------------
begin "0: craft the image and start the display ($desktop)"

image="$work/device image.bin"  # a space in the path, typed into the real dialog
original="$work/original.bin"
min_size=$("$tool" min-size) || fail "image tool does not run"
"$tool" pattern "$original" $((min_size + 5)) || fail "cannot write $original"
button_offset() { "$tool" button-offset "$1"; }
# M1..M8 hold "a A".."h H", except M5, whose byte names no function: it starts with no choice.
initial_codes=("$code_a" "$code_b" "$code_c" "$code_d" 0 "$code_f" "$code_g" "$code_h")
for n in 1 2 3 4 5 6 7 8; do
  "$tool" put "$original" "$(button_offset $n)" "${initial_codes[n - 1]}" ||
    fail "cannot patch $original"
done
# Step 1 (the row "Step 2") of Prog5 is empty: the screen reader fills it in step 5.
"$tool" put "$original" "$("$tool" step-offset 4 1)" 0 0 0 0 0 0 0 0 || fail "cannot patch"
cp "$original" "$image"

start_xvfb() {
  exec 3>"$art/xvfb-display"
  Xvfb -displayfd 3 -screen 0 "${screen_width}x${screen_height}x24" -nolisten tcp \
    >"$art/xvfb.log" 2>&1 &
  display_pid=$!
  exec 3>&-
  display_known() { grep -q '^[0-9]' "$art/xvfb-display"; }
  poll display_known || fail "Xvfb did not start: $(cat "$art/xvfb.log")"
  export DISPLAY=":$(head -n 1 "$art/xvfb-display")"
}

case $desktop in
  bare) start_xvfb ;;
  openbox | keyboard)
    start_xvfb
    # openbox as Debian configures it, except that Alt and the wheel switch desktops there, which
    # would keep Alt+wheel from ever reaching a program.
    sed '/<mousebind button="A-Up"/,/<\/mousebind>/d; /<mousebind button="A-Down"/,/<\/mousebind>/d' \
      /etc/xdg/openbox/rc.xml >"$art/openbox-rc.xml"
    openbox --sm-disable --config-file "$art/openbox-rc.xml" >"$art/openbox.log" 2>&1 &
    wm_pid=$!
    wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    poll wm_running || fail "openbox did not start: $(cat "$art/openbox.log")"
    ;;
  wayland)
    weston --backend=headless-backend.so --xwayland --socket=vorlane-e2e --idle-time=0 \
      --width="$screen_width" --height=1000 >"$art/weston.log" 2>&1 &
    display_pid=$!
    xwayland_ready() { grep -q 'xserver listening on display' "$art/weston.log"; }
    poll xwayland_ready || fail "weston did not start Xwayland: $(tail -n 5 "$art/weston.log")"
    DISPLAY=$(grep -o 'xserver listening on display :[0-9]*' "$art/weston.log" | grep -o ':[0-9]*$')
    export DISPLAY WAYLAND_DISPLAY=vorlane-e2e XDG_SESSION_TYPE=wayland
    ;;
esac
echo "X server on $DISPLAY"
start_reader

# ---------------------------------------------------------------------------------------------
begin "1: start; the window \"Vorlane\" appears"

# No platform chosen: on X the editor runs on X11, on Wayland it must pick X11 by itself.
(cd "$work" && exec env -u QT_QPA_PLATFORM "$app") >"$art/vorlane.log" 2>&1 &
app_pid=$!
wait_window "Vorlane"
main=$found
ask app "$app_pid"
read -r _ _ main_w main_h < <(window_geometry "$main")
[ "$main_w $main_h" = "$(px 9735) $(px 4455)" ] ||
  fail "main window client area is ${main_w}x${main_h}, expected $(px 9735)x$(px 4455)"

# The screen reader's steps, the same on every desktop: the three windows' controls against the
# list in a11y.py, then one edit by accessibility actions alone: "Set Prog5", the row "Step 2",
# three key-caps, "Save Set" and the OK of its message. Expects the step list and editor $1, $2.
screen_reader_edit() {
  begin "5: the screen reader sees the three windows as the list says"
  ask check "frame:Vorlane"
  ask check "$1"
  ask check "$2"

  begin "5: an edit by accessibility actions alone; only the 8 bytes of the step change"
  local before="$work/before-reader.bin"
  cp "$image" "$before"
  ask do "frame:Vorlane" "push button" "Set Prog5" Press
  ask window "Set Prog 5"
  ask gone "$1"
  ask do "Set Prog 5" "list item" "Step 2: *" Open
  ask window "Set itemNum 1"
  ask gone "$2"
  local cap
  for cap in A S D; do ask do "Set itemNum 1" "push button" "$cap" Press; done
  ask do "Set itemNum 1" "push button" "Save Set" Press
  ask do "alert:Vorlane" "push button" OK Press
  ask gone "alert:Vorlane"
  ask has "Set Prog 5" "list item" "Step 2: 0x0-0s-0x0-0x0-0x0-A-S-D"
  cp "$before" "$work/expected-reader.bin"
  "$tool" put "$work/expected-reader.bin" "$("$tool" step-offset 4 1)" 0 0 0 0 0 \
    "$key_code_a" "$key_code_s" "$key_code_d"
  expect_same_file "$image" "$work/expected-reader.bin" \
    "the screen reader's Save Set did not write exactly the 8 bytes of step 1 of Prog5"
  shot screen-reader-edit
}

# Exit through the "Exit" button ($1: click or press), then every window is gone, status 0.
exit_editor() {
  begin "6: Exit closes every window and ends the program with status 0"
  if [ "$1" = click ]; then
    focus "$main"
    xdotool windowraise "$main" # under the editor
    click_control "$main" $exit_button
  else
    ask do "frame:Vorlane" "push button" Exit Press
  fi
  app_ended() { ! kill -0 "$app_pid" 2>/dev/null; }
  poll app_ended || fail "the program is still running ${wait_limit}s after Exit"
  wait "$app_pid"
  local status=$?
  app_pid=""
  [ -z "$(windows_named Vorlane)" ] || fail "windows left on screen after Exit"
  [ "$status" = 0 ] || fail "the program ended with status $status"
  shot exited
}

if [ "$desktop" = wayland ]; then
  # -------------------------------------------------------------------------------------------
  begin "1: unasked, on Wayland the editor runs on X11: its window is an X window"
  shot started-on-x11
  [ -z "$(windows_named "Open")" ] || fail "unexpected dialog"

  begin "2: Load through the open dialog, by accessibility actions"
  ask do "frame:Vorlane" "push button" Load Press
  ask window Open
  ask settext Open text "File name:" "$image"
  ask do Open "push button" Open Press
  ask gone Open
  ask do "frame:Vorlane" "push button" "Set Prog3" Press
  wait_window "Set Prog 3"
  ask do "Set Prog 3" "list item" "Step 4: *" Open
  wait_window "Set itemNum 3"
  shot step-list-and-editor

  screen_reader_edit "Set Prog 3" "Set itemNum 3"

  begin "5: asked for Wayland, the editor keeps it: no X window of its own"
  # Under the sanitizers, Qt's Wayland plugin and libwayland leave allocations at exit that are
  # none of ours; this instance is here for the platform it runs on, the other one for leaks.
  (cd "$work" && exec env QT_QPA_PLATFORM=wayland ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" \
    "$app") >"$art/vorlane-wayland.log" 2>&1 &
  second_pid=$!
  ask app "$second_pid"
  ask window "frame:Vorlane"
  [ "$(windows_named Vorlane)" = "$main" ] || fail "the Wayland editor made an X window"
  ask do "frame:Vorlane" "push button" Exit Press
  second_ended() { ! kill -0 "$second_pid" 2>/dev/null; }
  poll second_ended || fail "the Wayland editor is still running after Exit"
  wait "$second_pid" || fail "the Wayland editor ended with status $?"
  second_pid=""
  ask app "$app_pid"

  exit_editor press
  echo "PASS: end-to-end on $desktop ($shots screenshots in $art)"
  exit 0
fi

if [ "$desktop" = keyboard ]; then
  # -------------------------------------------------------------------------------------------
  # A user without a mouse on a 1280x800 screen under openbox: every step by keys, each sent once
  # the control meant to take it has the focus; every frame inside the screen; the file checked
  # after each write.
  on_screen() {
    local x y w h
    read -r x y w h < <(frame_geometry "$1")
    if [ "$x" -lt 0 ] || [ "$y" -lt 0 ] || [ $((x + w)) -gt "$screen_width" ] ||
      [ $((y + h)) -gt "$screen_height" ]; then
      fail "frame of \"$2\" at $x $y ${w}x$h is not inside the ${screen_width}x$screen_height screen"
    fi
  }
  on_screen "$main" Vorlane
  expected="$work/expected.bin"
  step_bytes() { od -An -tu1 -j "$("$tool" step-offset "$1" "$2")" -N 8 "$3" | xargs; }

  begin "K1: Ctrl+O loads; M3 by type-ahead; Alt+S changes nothing; Ctrl+S saves"
  keys_to "frame:Vorlane" "push button" Load ctrl+o
  wait_window "Open"
  dialog=$found
  keys_to Open text "File name:" ctrl+a
  xdotool type --delay 15 "$image"
  keys_to Open text "File name:" Return
  wait_gone "$dialog" "Open"
  for c in "push button/Load" "push button/Save" "push button/Exit" "combo box/@M1 key" \
    "combo box/@M2 key"; do keys_to "frame:Vorlane" "${c%%/*}" "${c#*/}" Tab; done
  keys_to "frame:Vorlane" "combo box" "@M3 key" m # "c C" -> "m M"
  keys_to "frame:Vorlane" "combo box" "@M3 key" alt+s alt+p Tab
  keys_to "frame:Vorlane" "combo box" "@M4 key" Tab
  keys_to "frame:Vorlane" "combo box" "@M5 key" i # the file's M5 holds no function
  keys_to "frame:Vorlane" "combo box" "@M5 key" alt+s ctrl+s
  answer_message "Your settings have been successfully saved!"
  cp "$original" "$expected"
  "$tool" put "$expected" "$(button_offset 3)" "$code_m"
  "$tool" put "$expected" "$(button_offset 5)" 12 # "i I"
  expect_same_file "$image" "$expected" "Ctrl+S did not store \"m M\" and \"i I\" alone"

  begin "K2: Tab to \"Set Prog3\", Space opens its list inside the screen; Page Down twice"
  for n in 5 6 7 8; do keys_to "frame:Vorlane" "combo box" "@M$n key" Tab; done
  keys_to "frame:Vorlane" text "Image file" Tab
  for n in 1 2; do keys_to "frame:Vorlane" "push button" "Set Prog$n" Tab; done
  keys_to "frame:Vorlane" "push button" "Set Prog3" space
  wait_window "Set Prog 3"
  list=$found
  on_screen "$list" "Set Prog 3"
  keys_to "Set Prog 3" "scroll bar" Page Next Next

  begin "K3: Tab to the first row of page 2, Down to step 24, Enter opens it inside the screen"
  keys_to "Set Prog 3" "scroll bar" Page Tab
  keys_to "Set Prog 3" "list item" "Step 21: *" Down Down Down
  keys_to "Set Prog 3" "list item" "Step 24: *" Return
  wait_window "Set itemNum 23"
  editor=$found
  on_screen "$editor" "Set itemNum 23"
  shot keyboard-list-and-editor

  begin "K4: arrows and Space build the step (A, S); Ctrl+S stores it"
  read -r -a before <<<"$(step_bytes 2 23 "$image")"
  for c in "combo box/#0" "combo box/#1" "push button/Clear Set" "push button/Save Set"; do
    keys_to "Set itemNum 23" "${c%%/*}" "${c#*/}" Tab
  done
  keys_to "Set itemNum 23" "push button" Esc Down Down Down Right # Esc ` Tab CL A
  keys_to "Set itemNum 23" "push button" A space Right
  keys_to "Set itemNum 23" "push button" S space ctrl+s
  answer_message "Your settings have been successfully saved!"
  "$tool" put "$expected" "$("$tool" step-offset 2 23)" "${before[0]}" "${before[1]}" \
    "${before[4]}" "${before[5]}" "${before[6]}" "${before[7]}" "$key_code_a" "$key_code_s"
  expect_same_file "$image" "$expected" "Ctrl+S in the editor did not store A, S into step 23"

  begin "K5: Escape closes the editor, then the list"
  keys_to "Set itemNum 23" "push button" S Escape
  wait_gone "$editor" "Set itemNum 23"
  focus "$list"
  keys_to "Set Prog 3" "list item" "Step 24: *" Escape
  wait_gone "$list" "Set Prog 3"

  begin "K6: Ctrl+Q with an unsaved choice asks, Cancel by Enter; Ctrl+S; Ctrl+Q ends"
  focus "$main"
  keys_to "frame:Vorlane" "push button" "Set Prog3" shift+Tab shift+Tab shift+Tab shift+Tab
  keys_to "frame:Vorlane" "combo box" "@M8 key" z ctrl+q
  wait_window "Vorlane" "$main"
  box=$found
  on_screen "$box" "the question"
  keys_to "alert:Vorlane" "push button" Cancel Return
  wait_gone "$box" "the question"
  find_window "Vorlane" || fail "Cancel closed the main window"
  expect_same_file "$image" "$expected" "Cancel wrote the file"
  focus "$main"
  keys_to "frame:Vorlane" "combo box" "@M8 key" ctrl+s
  answer_message "Your settings have been successfully saved!"
  "$tool" put "$expected" "$(button_offset 8)" 29 # "z Z"
  expect_same_file "$image" "$expected" "Ctrl+S did not store \"z Z\" for M8"
  keys_to "frame:Vorlane" "combo box" "@M8 key" ctrl+q
  app_ended() { ! kill -0 "$app_pid" 2>/dev/null; }
  poll app_ended || fail "the program is still running ${wait_limit}s after Ctrl+Q"
  wait "$app_pid" || fail "the program ended with status $?"
  app_pid=""
  echo "PASS: end-to-end on $desktop ($shots screenshots in $art)"
  exit 0
fi

# Away from the corner, so that "at the main window's right edge" means something.
focus "$main"
xdotool windowmove "$main" 40 30
main_moved() {
  [ "$(window_geometry "$main" | cut -d' ' -f1,2)" = "40 30" ] ||
    [ "$(frame_geometry "$main" | cut -d' ' -f1,2)" = "40 30" ]
}
poll main_moved || fail "the main window did not move to 40,30"
shot started

begin "1: Load, type the image's path into the open dialog; the path box shows it"

click_control "$main" $load_button
wait_window "Open"
dialog=$found
shot open-dialog
focus "$dialog"
keys_to Open text "File name:" ctrl+a
xdotool type --delay 15 "$image"
keys_to Open text "File name:" ctrl+a ctrl+c
poll_briefly clipboard_is "$image" || fail "the file name box does not hold the path"
keys_to Open text "File name:" Return
wait_gone "$dialog" "Open"
focus "$main"
click_control "$main" $path_box
keys_to "frame:Vorlane" text "Image file" ctrl+a ctrl+c
poll clipboard_is "$image" ||
  fail "the path box shows \"$(timeout 5 xclip -o -selection clipboard 2>/dev/null)\""
shot loaded

# ---------------------------------------------------------------------------------------------
begin "2: M2 by keyboard: a clash with M1 is refused, then the last function is taken"

# From the path box, Shift+Tab runs back through M8..M2 (the lists come before the path box).
keys_to "frame:Vorlane" text "Image file" shift+Tab
for n in 8 7 6 5 4 3; do keys_to "frame:Vorlane" "combo box" "@M$n key" shift+Tab; done
keys_to "frame:Vorlane" "combo box" "@M2 key" Up # "b B" -> "a A", which M1 holds
answer_message "M2 key can't set like M1 key."
focus "$main" # without a window manager nobody hands the keyboard back
keys_to "frame:Vorlane" "combo box" "@M2 key" End # the empty list takes "WWW Favorites"
shot m2-by-keyboard

begin "2: Save is refused while M5 has no function"

click_control "$main" $save_button
answer_message "M1~M8 can't set nothing!"
expect_same_file "$image" "$original" "a refused Save changed the file"

begin "2: M5 by mouse: open its list and click \"m M\""

# The list's popup shows every entry at once on this tall screen; its rows are equally high, so
# the row of an entry follows from the popup's height.
click_control "$main" $combo5
# xdotool's search does not list Qt's popup windows; look among the root's children for a mapped
# one that no window manager manages, larger than Qt's small helper windows.
popup=""
find_popup() {
  local w info size
  for w in $(xwininfo -root -children | awk '/^ +0x[0-9a-f]+ / {print $1}'); do
    info=$(xwininfo -id "$w")
    grep -q IsViewable <<<"$info" && grep -q 'Override Redirect State: yes' <<<"$info" || continue
    size=$(awk '/^ *Width:/ {print $NF}' <<<"$info")
    [ "$size" -gt 10 ] || continue
    popup=$((w))
    return 0
  done
  return 1
}
poll find_popup || fail "the list of M5 did not open"
# A popup may grow into place; measure it once it holds still.
popup_geometry=""
popup_settled() {
  local now
  now=$(window_geometry "$popup")
  [ "$now" = "$popup_geometry" ] && return 0
  popup_geometry=$now
  return 1
}
poll popup_settled || fail "the list of M5 keeps changing its size"
read -r pop_x pop_y pop_w pop_h <<<"$popup_geometry"
row_height=$((pop_h / catalogue_size))
frame=$(((pop_h - row_height * catalogue_size) / 2))
[ "$row_height" -ge 10 ] && [ "$pop_h" -lt "$screen_height" ] ||
  fail "unexpected popup geometry ${pop_w}x${pop_h}+${pop_x}+${pop_y}"
shot m5-list-open tall
xdotool mousemove $((pop_x + pop_w / 2)) $((pop_y + frame + row_height * position_m + row_height / 2)) \
  click 1
wait_gone "$popup" "list of M5"
shot m5-by-mouse

begin "2: Save; only the bytes of M2 and M5 change"

click_control "$main" $save_button
answer_message "Your settings have been successfully saved!"
expected="$work/expected.bin"
cp "$original" "$expected"
"$tool" put "$expected" "$(button_offset 2)" "$code_www_favorites"
"$tool" put "$expected" "$(button_offset 5)" "$code_m"
expect_same_file "$image" "$expected" "Save wrote other bytes than those of M2 and M5"

# ---------------------------------------------------------------------------------------------
begin "3: \"Set Prog3\" opens \"Set Prog 3\" with its frame against the main window's right edge"

click_control "$main" $set_prog3
wait_window "Set Prog 3"
list=$found
list_placed() {
  local mx my mw lx ly
  read -r mx my mw _ < <(frame_geometry "$main")
  read -r lx ly _ _ < <(frame_geometry "$list")
  [ "$lx $ly" = "$((mx + mw)) $my" ]
}
poll list_placed || fail "step list frame at $(frame_geometry "$list"); main window frame at \
$(frame_geometry "$main")"
shot step-list

begin "3: the wheel turns pages: three forward, one back, so page 2 (rows 21..30)"

read -r rx ry _ _ <<<"$(row_text 5)"
xdotool mousemove --window "$list" $(($(px "$rx") + 40)) $(($(px "$ry") + 5))
for button in 5 5 5 4; do xdotool click "$button"; done
# The fifth row of page 2 is step 24: its editor proves the page.
double_click_control "$list" $(row_text 4)
wait_window "Set itemNum 24"
first_editor=$found
shot page-2

begin "3: Alt+wheel: two forward, one back; then a click in the trough: page 4"

focus "$list" # the editor lies over the main window and part of the list
xdotool windowraise "$list"
xdotool mousemove --window "$list" $(($(px "$rx") + 40)) $(($(px "$ry") + 5))
xdotool keydown alt click 5 click 5 click 4 keyup alt
bar_x=$(($(px $scroll_bar_left) + $(px $scroll_bar_width) / 2))
bar_bottom=$(($(px $scroll_bar_top) + $(px $scroll_bar_height)))
# Below the thumb (page 3 of 10), above the arrow. The click also gives the bar the focus.
xdotool mousemove --window "$list" "$bar_x" $((bar_bottom - 40)) click 1

begin "3: the keyboard on the focused scroll bar: Page Down twice, then Up, so page 5"

keys_to "Set Prog 3" "scroll bar" Page Next
keys_to "Set Prog 3" "scroll bar" Page Next
keys_to "Set Prog 3" "scroll bar" Page Up
double_click_control "$list" $(row_text 3)
wait_window "Set itemNum 53"
editor=$found
wait_gone "$first_editor" "Set itemNum 24"
shot page-5

begin "3: in \"Set itemNum 53\": modifier FD-Stop, delay 0.5s, seven key-caps; Save Set"

editor_placed() {
  [ "$(frame_geometry "$editor" | cut -d' ' -f1,2)" = "$(frame_geometry "$main" | cut -d' ' -f1,2)" ]
}
poll editor_placed || fail "editor frame at $(frame_geometry "$editor"); expected over the main \
window's at $(frame_geometry "$main")"
focus "$editor"
# The modifier list has the focus: End picks its last entry; Tab, then Home and five steps down.
keys_to "Set itemNum 53" "combo box" "#0" End Tab
keys_to "Set itemNum 53" "combo box" "#1" Home Down Down Down Down Down
# The queue keeps the last six keys: "Esc" drops out.
for key in "$key_esc" "$key_1" "$key_q" "$key_a" "$key_z" "$key_null" "$key_space"; do
  # shellcheck disable=SC2086
  click_control "$editor" $key
done
shot step-built
click_control "$editor" $save_set
answer_message "Your settings have been successfully saved!"
step_offset=$("$tool" step-offset 2 53)
cp "$expected" "$work/expected-step.bin"
"$tool" put "$work/expected-step.bin" "$step_offset" "$modifier_fd_stop" "$delay_half_second" \
  "$key_code_1" "$key_code_q" "$key_code_a" "$key_code_z" "$key_code_null" "$key_code_space"
expect_same_file "$image" "$work/expected-step.bin" \
  "Save Set did not write exactly the 8 bytes of step 53 of Prog3"
cp "$work/expected-step.bin" "$expected"
find_window "Set itemNum 53" && find_window "Set Prog 3" ||
  fail "the editor and the step list should stay open after Save Set"
xdotool windowraise "$list" # its row 44 now shows the stored step
shot saved-step

if [ "$desktop" = openbox ]; then
  begin "4: each of the three windows comes to the front while the others are open"
  front_is() {
    local active top
    active=$(xprop -root _NET_ACTIVE_WINDOW | grep -o '0x[0-9a-f]*$')
    top=$(xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-f]*$')
    [ "$active" = "$(printf '0x%x' "$1")" ] && [ "$top" = "$active" ]
  }
  for w in "$main" "$list" "$editor" "$main"; do
    xdotool windowactivate "$w"
    poll front_is "$w" || fail "window \"$(xdotool getwindowname "$w")\" did not come to the front"
  done
  shot main-in-front
fi

screen_reader_edit "Set Prog 3" "Set itemNum 53"
exit_editor click

echo "PASS: end-to-end on $desktop ($shots screenshots in $art)"
