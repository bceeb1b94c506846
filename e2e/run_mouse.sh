#!/usr/bin/env bash
# End-to-end run by mouse and keyboard on Xvfb, bare or under openbox: Load through the real open
# dialog, key changes, Save, the step list and its paging, a step built and stored; on the bare X
# server undo, history and the step list's operations, under openbox window fronts and "Record"
# on a German layout.
#
#   run_mouse.sh VORLANE IMAGE_TOOL LAYOUT_TOOL ARTIFACTS_DIR [bare|openbox]
#
# e2e/common.sh says what the runs share and how they report.
desktop=${5:-bare}
case $desktop in
  bare | openbox) ;;
  *)
    echo "run_mouse.sh runs on bare or openbox, not \"$desktop\"" >&2
    exit 2
    ;;
esac
source "$(dirname "$0")/common.sh"

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

click "$main" Form1 =Load
wait_window "Open"
dialog=$found
shot open-dialog
focus "$dialog"
keys_to Open text "File name:" ctrl+a
xdotool type --delay 15 "$image"
ask shows Open text "File name:" "$image"
keys_to Open text "File name:" Return
wait_gone "$dialog" "Open"
ask shows "frame:Vorlane" text "Image file" "$image"
focus "$main"
click "$main" Form1 Text1 # for the keyboard's way back through the lists
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

click "$main" Form1 =Save
answer_message "M1~M8 can't set nothing!"
expect_image "$original" "a refused Save changed the file"

begin "2: M5 by mouse: open its list and click \"m M\""

# The list's popup shows every entry at once on this tall screen; its rows are equally high, so
# the row of an entry follows from the popup's height.
click "$main" Form1 Combo5
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
rows=$("$tool" catalogue-size)
row_height=$((pop_h / rows))
frame=$(((pop_h - row_height * rows) / 2))
[ "$row_height" -ge 10 ] && [ "$pop_h" -lt "$screen_height" ] ||
  fail "unexpected popup geometry ${pop_w}x${pop_h}+${pop_x}+${pop_y}"
shot m5-list-open tall
row=$("$tool" position "m M")
xdotool mousemove $((pop_x + pop_w / 2)) $((pop_y + frame + row_height * row + row_height / 2)) \
  click 1
wait_gone "$popup" "list of M5"
shot m5-by-mouse

begin "2: Save; only the bytes of M2 and M5 change"

click "$main" Form1 =Save
answer_message "$saved"
expected="$work/expected.bin"
cp "$original" "$expected"
"$tool" set-key "$expected" 2 "WWW Favorites"
"$tool" set-key "$expected" 5 "m M"
expect_image "$expected" "Save wrote other bytes than those of M2 and M5"

# ---------------------------------------------------------------------------------------------
begin "3: \"Set Prog3\" opens \"Set Prog 3\" with its frame against the main window's right edge"

click "$main" Form1 "=Set Prog3"
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

# Over the text of the sixth row; the rows of every page stand in the same places.
point_at "$list" Form2 Label2_5
for button in 5 5 5 4; do xdotool click "$button"; done
# The fifth row of page 2 is step 24: its editor proves the page.
double_click "$list" Form2 Label2_4
wait_window "Set itemNum 24"
first_editor=$found
shot page-2

begin "3: Alt+wheel: two forward, one back; then a click in the trough: page 4"

focus "$list" # the editor lies over the main window and part of the list
xdotool windowraise "$list"
point_at "$list" Form2 Label2_5
xdotool keydown alt click 5 click 5 click 4 keyup alt
# Below the thumb (page 3 of 10), above the arrow. The click also gives the bar the focus.
locate Form2 VScroll1
xdotool mousemove --window "$list" $((cx + cw / 2)) $((cy + ch - 40)) click 1

begin "3: the keyboard on the focused scroll bar: Page Down twice, then Up, so page 5"

keys_to "Set Prog 3" "scroll bar" Page Next
keys_to "Set Prog 3" "scroll bar" Page Next
keys_to "Set Prog 3" "scroll bar" Page Up
double_click "$list" Form2 Label2_3
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
for cap in Esc 1 Q A Z Null SP; do click "$editor" keycode "=$cap"; done
shot step-built
cp "$image" "$work/before-53.bin"
click "$editor" keycode "=Save Set"
answer_message "$saved"
"$tool" set-step "$expected" 2 53 FD-Stop 0.5s 1 Q A Z Null SP
expect_image "$expected" "Save Set did not write exactly the 8 bytes of step 53 of Prog3"
find_window "Set itemNum 53" && find_window "Set Prog 3" ||
  fail "the editor and the step list should stay open after Save Set"
raise_window "$list" # its row 44 now shows the stored step
shot saved-step

if [ "$desktop" = bare ]; then
  begin "3: Ctrl+Z writes step 53's old bytes back, Ctrl+Y the new ones; vorlanectl history"
  image_is() { "$tool" compare "$image" "$1" >/dev/null 2>&1; }
  focus "$editor"
  keys_to "Set itemNum 53" "combo box" "#1" ctrl+z
  poll image_is "$work/before-53.bin" || fail "Ctrl+Z did not write step 53's old bytes back"
  keys_to "Set itemNum 53" "combo box" "#1" ctrl+y
  poll image_is "$expected" || fail "Ctrl+Y did not write step 53's new bytes again"
  "$VORLANECTL" history "$image" >"$work/history.txt" || fail "vorlanectl history failed"
  for line in "1  .* vorlane Redo Save Set Prog3 step 54  \\[Prog3 step 54\\]" \
    "2  .* vorlane Undo Save Set Prog3 step 54  \\[Prog3 step 54\\]" \
    "3  .* vorlane Save Set Prog3 step 54  \\[Prog3 step 54\\]"; do
    grep -qx "$line" "$work/history.txt" || fail "vorlanectl history lacks \"$line\": $(cat "$work/history.txt")"
  done

  begin "3: Ctrl+H opens \"History\", with \"Restore\", on the accessibility bus; Close"
  keys_to "Set itemNum 53" "combo box" "#1" ctrl+h
  ask window History
  ask has History "push button" Restore
  shot history
  ask do History "push button" Close Press
  ask gone History
fi

if [ "$desktop" = openbox ]; then
  begin "3: Record on a German layout takes keys by their place, Esc, Tab, Enter and Alt+F4 too"
  setxkbmap -layout de || fail "setxkbmap cannot set the German layout"
  focus "$editor"
  click "$editor" keycode Label5
  ask has "Set itemNum 53" "push button" Recording
  # The step held 1 Q A Z Null SP; German z and y are the keys US keyboards call Y and Z.
  xdotool key z y Escape Tab
  ask has "Set itemNum 53" label " 0x0 SP Y Z Esc Tab"
  click "$editor" keycode Label5 # ends it
  ask has "Set itemNum 53" "push button" Record
  click "$editor" keycode Label5
  ask has "Set itemNum 53" "push button" Recording
  # The F13 key, by its keycode: the layout gives it XF86Tools, which another key has first.
  xdotool key Return less 191 alt+F4
  ask has "Set itemNum 53" label " Tab Ent 0x64 0x68 LAlt F4"
  find_window "Set itemNum 53" || fail "Alt+F4 closed the editor while it recorded"
  click "$editor" keycode Label5
  ask has "Set itemNum 53" "push button" Record
  setxkbmap -layout us
  click "$editor" keycode "=Save Set"
  answer_message "$saved"
  # 0x64 and 0x68, the ISO key and F13, have no key-cap: the status line shows their codes.
  "$tool" set-step "$expected" 2 53 FD-Stop 0.5s Tab Ent 0x64 0x68 LAlt F4
  expect_image "$expected" "the recorded step 53 of Prog3 is not the keys' places"
fi

if [ "$desktop" = openbox ]; then
  begin "4: each of the three windows comes to the front while the others are open"
  for w in "$main" "$list" "$editor" "$main"; do focus "$w"; done
  shot main-in-front
fi

if [ "$desktop" = bare ]; then
  begin "8: steps 3-5 of Prog3 by a click and Shift+Down, Ctrl+C: the X clipboard holds three lines"
  focus "$list"
  xdotool windowraise "$list"
  click "$list" Form2 Label2_0 # on page 5, where the list stands: step 51
  keys_to "Set Prog 3" "list item" "Step 51: *" Home
  click "$list" Form2 Label2_2
  keys_to "Set Prog 3" "list item" "Step 3: *" shift+Down shift+Down
  ask focused "Set Prog 3" "list item" "Step 5: *"
  ask selected "Set Prog 3" "list item" # a screen reader hears the three as selected
  [[ "$answer" =~ ^Step\ 3:[^|]*\|Step\ 4:[^|]*\|Step\ 5:[^|]*$ ]] ||
    fail "the screen reader finds selected: \"$answer\""
  keys_to "Set Prog 3" "list item" "Step 5: *" ctrl+c
  three_lines() { [ "$(xclip -o -selection clipboard 2>/dev/null | grep -c .)" = 3 ]; }
  poll three_lines || fail "the clipboard holds \"$(xclip -o -selection clipboard 2>&1)\""
  shot steps-copied

  begin "8: the context menu by Shift+F10 and the Menu key, on the bus with every item"
  ask listen
  keys_to "Set Prog 3" "list item" "Step 5: *" shift+F10
  items=$(awk '$1 == "StepMenu" { t = $7; for (i = 8; i <= NF; i++) t = t " " $i; print t }' \
    "$work/layout" | paste -sd'|')
  xdotool key Down # the menu has the keyboard: its first item takes the focus
  ask menu Steps "menu item"
  [ "$answer" = "$items" ] || fail "the context menu shows \"$answer\", not \"$items\""
  shot context-menu
  xdotool key Escape
  ask listen
  keys_to "Set Prog 3" "list item" "Step 5: *" Menu # the same menu by the Menu key
  xdotool key Down
  ask menu Steps "menu item"
  xdotool key Escape
  ask focused "Set Prog 3" "list item" "Step 5: *"

  # Each operation is checked against the file as it was before it, with KEYS sent to step 10:
  #   step_op KEYS MESSAGE [FROM PROG STEP TO_PROG TO_STEP COUNT]...
  # FROM is b (the file before) or z (zero steps); the groups say which steps the file must now
  # hold where.
  before="$work/before-step-op.bin"
  zero="$work/zero-steps.bin"
  "$tool" pattern "$zero" "$min_size" &&
    "$tool" set-step "$zero" 0 0 None 0.0s Null Null Null Null Null Null || fail "image tool"
  step_op() {
    local keys=$1 what=$2 from
    shift 2
    cp "$image" "$before"
    cp "$image" "$expected"
    while [ $# -gt 0 ]; do
      from=$before
      [ "$1" = z ] && from=$zero
      "$tool" copy-steps "$from" "$2" "$3" "$expected" "$4" "$5" "$6" || fail "image tool"
      shift 6
    done
    # shellcheck disable=SC2086 # several keys
    keys_to "Set Prog 5" "list item" "Step 10: *" $keys
    poll "$tool" compare "$image" "$expected" >/dev/null || expect_image "$expected" "$what"
  }

  begin "8: in Prog5's list, Ctrl+V at step 10 writes Prog3's steps 3-5 over steps 10-12"
  xdotool windowraise "$main" # from under the editor
  click "$main" Form1 "=Set Prog5"
  wait_window "Set Prog 5"
  list=$found
  wait_gone "$editor" "Set itemNum 53" # another macro's list closes Prog3's editor
  focus "$list"
  click "$list" Form2 Label2_9
  step_op ctrl+v "Prog5 steps 10-12 are not Prog3's 3-5" b 2 2 4 9 3
  shot pasted

  begin "8: step 10 alone; Delete, Insert, Alt+Down: the file after each"
  keys_to "Set Prog 5" "list item" "Step 10: *" Up Down # not the three pasted
  step_op Delete "Delete did not move steps 11-100 up" b 4 10 4 9 90 z 0 0 4 99 1
  step_op Insert "Insert did not move steps 10-99 down" b 4 9 4 10 90 z 0 0 4 9 1
  step_op alt+Down "Alt+Down did not swap steps 10 and 11" b 4 10 4 9 1 b 4 9 4 10 1
  shot step-ops

  begin "8: Prog3's list again, five clicks in the trough to page 5, and step 53's editor"
  xdotool windowraise "$main"
  click "$main" Form1 "=Set Prog3" # the screen reader starts from here, as elsewhere
  wait_window "Set Prog 3"
  list=$found
  focus "$list"
  locate Form2 VScroll1
  for page in 1 2 3 4 5; do
    xdotool mousemove --window "$list" $((cx + cw / 2)) $((cy + ch - 40)) click 1
    ask has "Set Prog 3" "list item" "Step $((page * 10 + 1)): *"
  done
  double_click "$list" Form2 Label2_3
  wait_window "Set itemNum 53"
  editor=$found
fi

screen_reader_edit "Set Prog 3" "Set itemNum 53"
changed_on_disk
exit_editor click

pass
