#!/usr/bin/env bash
# End-to-end run by keyboard alone: a user without a mouse on a 1280x800 screen under openbox;
# every step by keys, each sent once the control meant to take it has the focus; every frame
# inside the screen; the file checked after each write.
#
#   run_keyboard.sh VORLANE IMAGE_TOOL LAYOUT_TOOL ARTIFACTS_DIR
#
# e2e/common.sh says what the runs share and how they report.
desktop=keyboard
source "$(dirname "$0")/common.sh"

on_screen() {
  local x y w h
  read -r x y w h < <(frame_geometry "$1")
  if [ "$x" -lt 0 ] || [ "$y" -lt 0 ] || [ $((x + w)) -gt "$screen_width" ] ||
    [ $((y + h)) -gt "$screen_height" ]; then
    fail "frame of \"$2\" at $x $y ${w}x$h is not inside the ${screen_width}x$screen_height screen"
  fi
}
on_screen "$main" Vorlane
# Where the editor, opened over the main window, must move left to stay inside the screen: its
# frame is its own, not the main window's.
xdotool windowmove "$main" 600 40
main_moved() {
  [ "$(window_geometry "$main" | cut -d' ' -f1)" = 600 ] ||
    [ "$(frame_geometry "$main" | cut -d' ' -f1)" = 600 ]
}
poll main_moved || fail "the main window did not move to x=600"
expected="$work/expected.bin"

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
answer_message "$saved"
cp "$original" "$expected"
"$tool" set-key "$expected" 3 "m M"
"$tool" set-key "$expected" 5 "i I"
expect_image "$expected" "Ctrl+S did not store \"m M\" and \"i I\" alone"

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
# The step as the file holds it: modifier, delay and six keys, by the names set-step takes.
read -r -a before <<<"$("$tool" step "$image" 2 23)"
for c in "combo box/#0" "combo box/#1" "push button/Clear Set" "push button/Save Set" \
  "push button/Record"; do
  keys_to "Set itemNum 23" "${c%%/*}" "${c#*/}" Tab
done
keys_to "Set itemNum 23" "push button" Esc Down Down Down Right # Esc ` Tab CL A
# Space held on "A" for over a second, as a user leaning on it: X repeats it, the key-cap
# takes it once. The hold is the user's action, not a wait for the program.
ask focused "Set itemNum 23" "push button" A
xdotool keydown space sleep 1.3 keyup space
keys_to "Set itemNum 23" "push button" A Right
keys_to "Set itemNum 23" "push button" S space ctrl+s
answer_message "$saved"
# The queue keeps the last six keys: the step's last four, then A and S.
"$tool" set-step "$expected" 2 23 "${before[@]:0:2}" "${before[@]:4:4}" A S
expect_image "$expected" "Ctrl+S in the editor did not store A, S into step 23"

begin "K4: \"Record\" is inside the screen and takes a click"
ask where "Set itemNum 23" "push button" Record
read -r rx ry rw rh <<<"$answer"
# Qt 6.4 tells a screen reader places in its scaled units, not the screen's pixels.
rx=$((rx * dpi / 96)) ry=$((ry * dpi / 96)) rw=$((rw * dpi / 96)) rh=$((rh * dpi / 96))
[ "$rx" -ge 0 ] && [ $((rx + rw)) -le "$screen_width" ] && [ $((ry + rh)) -le "$screen_height" ] ||
  fail "\"Record\" at $rx $ry ${rw}x$rh is not inside the screen"
xdotool mousemove $((rx + rw / 2)) $((ry + rh / 2)) click 1
ask has "Set itemNum 23" "push button" Recording
xdotool mousemove $((rx + rw / 2)) $((ry + rh / 2)) click 1
ask has "Set itemNum 23" "push button" Record
shot keyboard-record-clicked

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
expect_image "$expected" "Cancel wrote the file"
focus "$main"
keys_to "frame:Vorlane" "combo box" "@M8 key" ctrl+s
answer_message "$saved"
"$tool" set-key "$expected" 8 "z Z"
expect_image "$expected" "Ctrl+S did not store \"z Z\" for M8"
keys_to "frame:Vorlane" "combo box" "@M8 key" ctrl+q
app_ended() { ! kill -0 "$app_pid" 2>/dev/null; }
poll app_ended || fail "the program is still running ${wait_limit}s after Ctrl+Q"
wait "$app_pid" || fail "the program ended with status $?"
app_pid=""
pass
