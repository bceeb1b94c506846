#!/usr/bin/env bash
# End-to-end test: the built editor on its own Xvfb, driven only from outside through the X server
# with xdotool (clicks at the controls' places, keys, window names), as a user would drive it.
#
#   run_e2e.sh VORLANE IMAGE_TOOL ARTIFACTS_DIR
#
# Screenshots of every step and the editor's output are kept in ARTIFACTS_DIR. Exits 0 on
# success, 1 on failure (naming the step and the windows on screen), 77 when a tool is missing.
# E2E_WAIT (seconds, default 30) bounds every single wait; raise it on a very slow machine.
set -uo pipefail

if [ $# -ne 3 ]; then
  echo "usage: $0 VORLANE IMAGE_TOOL ARTIFACTS_DIR" >&2
  exit 2
fi
app=$1
tool=$2
art=$3
wait_limit=${E2E_WAIT:-30}

for t in Xvfb xdotool xclip xwininfo; do
  if ! command -v "$t" >/dev/null 2>&1; then
    echo "SKIP: $t is not installed; scripts/setup.sh installs it"
    exit 77
  fi
done
have_import=0
command -v import >/dev/null 2>&1 && have_import=1

rm -rf "$art"
mkdir -p "$art/work"
work=$art/work

# ---------------------------------------------------------------------------------------------
# Plumbing: the X server, windows, waits, screenshots, failure report.

step="setting up"
xvfb_pid=""
app_pid=""
shots=0

# The screen is tall so that a button list's popup shows all 130 entries at once (step 2, M5).
screen_width=1280
screen_height=4000

cleanup() {
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then kill "$app_pid" 2>/dev/null; fi
  if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then kill "$xvfb_pid" 2>/dev/null; fi
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
  echo "FAIL in step \"$step\": $*"
  if [ -n "${DISPLAY:-}" ]; then
    show_windows
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

# Like poll, for at most five seconds.
poll_briefly() {
  local deadline=$((SECONDS + 5))
  while ! "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.2
  done
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

focus() { xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"; }

clipboard_is() { [ "$(timeout 5 xclip -o -selection clipboard 2>/dev/null)" = "$1" ]; }

# Copies what the focused control of window $1 shows (ctrl+a, ctrl+c) and checks it is $2.
expect_copied_text() {
  focus "$1"
  xdotool key ctrl+a ctrl+c
  poll clipboard_is "$2" ||
    fail "expected \"$2\", the clipboard holds \"$(timeout 5 xclip -o -selection clipboard 2>/dev/null)\""
}

# Waits for a message box (a window named "Vorlane" other than the main window) and closes it with
# Enter. What it says cannot be read from outside (Qt copies a box's text only on Windows); the
# screenshot shows it, and the file on disk shows what the command did.
answer_message() {
  local box
  echo "   message box expected: \"$1\""
  wait_window "Vorlane" "$main"
  box=$found
  shot message
  focus "$box"
  xdotool key Return
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

# ---------------------------------------------------------------------------------------------
begin "0: craft the image and start the X server"

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
cp "$original" "$image"

exec 3>"$art/xvfb-display"
Xvfb -displayfd 3 -screen 0 "${screen_width}x${screen_height}x24" -nolisten tcp \
  >"$art/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
display_known() { grep -q '^[0-9]' "$art/xvfb-display"; }
poll display_known || fail "Xvfb did not start: $(cat "$art/xvfb.log")"
export DISPLAY=":$(head -n 1 "$art/xvfb-display")"
echo "X server on $DISPLAY"

# ---------------------------------------------------------------------------------------------
begin "1: start; the window \"Vorlane\" appears"

# The test presets run widget tests offscreen; this one needs the real X server.
(cd "$work" && exec env QT_QPA_PLATFORM=xcb "$app") >"$art/vorlane.log" 2>&1 &
app_pid=$!
wait_window "Vorlane"
main=$found
# Away from the corner, so that "at the main window's right edge" means something.
xdotool windowmove "$main" 40 30
main_moved() { [ "$(window_geometry "$main" | cut -d' ' -f1,2)" = "40 30" ]; }
poll main_moved || fail "the main window did not move to 40,30"
read -r main_x main_y main_w main_h < <(window_geometry "$main")
[ "$main_w $main_h" = "$(px 9735) $(px 4455)" ] ||
  fail "main window client area is ${main_w}x${main_h}, expected $(px 9735)x$(px 4455)"
shot started

begin "1: Load, type the image's path into the open dialog; the path box shows it"

focus "$main"
click_control "$main" $load_button
wait_window "Open"
dialog=$found
shot open-dialog
# The file name box has the focus. Keys typed before the dialog is ready are lost, so check what
# the box holds (select all, copy) and type again if it is not the whole path.
typed=0
for _ in 1 2 3; do
  focus "$dialog"
  xdotool key ctrl+a
  xdotool type --delay 15 "$image"
  xdotool key ctrl+a ctrl+c
  if poll_briefly clipboard_is "$image"; then
    typed=1
    break
  fi
done
[ "$typed" = 1 ] || fail "could not type the path into the open dialog's file name box"
xdotool key Return
wait_gone "$dialog" "Open"
click_control "$main" $path_box
expect_copied_text "$main" "$image"
shot loaded

# ---------------------------------------------------------------------------------------------
begin "2: M2 by keyboard: a clash with M1 is refused, then the last function is taken"

# From the path box, Shift+Tab runs back through M8..M2 (the lists come before the path box).
focus "$main"
for _ in 1 2 3 4 5 6 7; do xdotool key shift+Tab; done
xdotool key Up  # "b B" -> "a A", which M1 holds
answer_message "M2 key can't set like M1 key."
focus "$main"
xdotool key End  # the empty list takes the last entry, "WWW Favorites"
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
# one larger than Qt's small helper windows.
popup=""
find_popup() {
  local w size
  for w in $(xwininfo -root -children | awk '/^ +0x[0-9a-f]+ / {print $1}'); do
    [ "$((w))" = "$main" ] && continue
    xwininfo -id "$w" | grep -q IsViewable || continue
    size=$(window_geometry "$w" | cut -d' ' -f3)
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
begin "3: \"Set Prog3\" opens \"Set Prog 3\" at the main window's right edge"

click_control "$main" $set_prog3
wait_window "Set Prog 3"
list=$found
read -r list_x list_y _ _ < <(window_geometry "$list")
[ "$list_x $list_y" = "$((main_x + main_w)) $main_y" ] ||
  fail "step list at $list_x,$list_y; expected $((main_x + main_w)),$main_y"
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

begin "3: the scroll bar turns pages: a click in the trough, then the down arrow, so page 4"

xdotool windowraise "$list"  # the editor lies over the main window and part of the list
bar_x=$(($(px $scroll_bar_left) + $(px $scroll_bar_width) / 2))
bar_bottom=$(($(px $scroll_bar_top) + $(px $scroll_bar_height)))
# Below the thumb (page 2 of 10), above the arrow.
xdotool mousemove --window "$list" "$bar_x" $((bar_bottom - 40)) click 1
xdotool mousemove --window "$list" "$bar_x" $((bar_bottom - 5)) click 1
double_click_control "$list" $(row_text 3)
wait_window "Set itemNum 43"
editor=$found
wait_gone "$first_editor" "Set itemNum 24"
shot page-4

begin "3: in \"Set itemNum 43\": modifier FD-Stop, delay 0.5s, seven key-caps; Save Set"

read -r editor_x editor_y _ _ < <(window_geometry "$editor")
[ "$editor_x $editor_y" = "$main_x $main_y" ] ||
  fail "editor at $editor_x,$editor_y; expected over the main window at $main_x,$main_y"
focus "$editor"
# The modifier list has the focus: End picks its last entry; Tab, then Home and five steps down.
xdotool key End Tab Home Down Down Down Down Down
# The queue keeps the last six keys: "Esc" drops out.
for key in "$key_esc" "$key_1" "$key_q" "$key_a" "$key_z" "$key_null" "$key_space"; do
  # shellcheck disable=SC2086
  click_control "$editor" $key
done
shot step-built
click_control "$editor" $save_set
answer_message "Your settings have been successfully saved!"
step_offset=$("$tool" step-offset 2 43)
cp "$expected" "$work/expected-step.bin"
"$tool" put "$work/expected-step.bin" "$step_offset" "$modifier_fd_stop" "$delay_half_second" \
  "$key_code_1" "$key_code_q" "$key_code_a" "$key_code_z" "$key_code_null" "$key_code_space"
expect_same_file "$image" "$work/expected-step.bin" \
  "Save Set did not write exactly the 8 bytes of step 43 of Prog3"
find_window "Set itemNum 43" && find_window "Set Prog 3" ||
  fail "the editor and the step list should stay open after Save Set"
xdotool windowraise "$list"  # its row 44 now shows the stored step
shot saved-step

# ---------------------------------------------------------------------------------------------
begin "4: Exit closes every window and ends the program with status 0"

xdotool windowraise "$main"  # under the editor
click_control "$main" $exit_button
app_ended() { ! kill -0 "$app_pid" 2>/dev/null; }
poll app_ended || fail "the program is still running ${wait_limit}s after Exit"
wait "$app_pid"
status=$?
app_pid=""
[ -z "$(visible_windows)" ] || fail "windows left on screen after Exit"
[ "$status" = 0 ] || fail "the program ended with status $status"
shot exited

echo "PASS: end-to-end ($shots screenshots in $art)"
