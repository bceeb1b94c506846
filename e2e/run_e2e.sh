#!/usr/bin/env bash
# End-to-end test: the built editor on a real display, driven only from outside, as a user and a
# screen reader would drive it: through the X server with xdotool (clicks at the controls'
# places, keys, window names) and through the accessibility bus (e2e/a11y.py), which also reads
# what the controls show.
#
#   run_e2e.sh VORLANE IMAGE_TOOL LAYOUT_TOOL ARTIFACTS_DIR [DESKTOP]
#
# IMAGE_TOOL (e2e/image_tool.cpp) writes and compares images and answers from the tables;
# LAYOUT_TOOL (e2e/layout_tool.cpp) says where the windows put their controls. The script itself
# knows no offset, code or position. DESKTOP is where the editor runs:
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
# A misspelt helper would otherwise be reported and run past, and the run still pass.
command_not_found_handle() {
  echo "e2e: no command \"$1\"" >&2
  kill "$$"
}

if [ $# -lt 4 ] || [ $# -gt 5 ]; then
  echo "usage: $0 VORLANE IMAGE_TOOL LAYOUT_TOOL ARTIFACTS_DIR [bare|openbox|wayland|keyboard]" >&2
  exit 2
fi
app=$(realpath "$1")
tool=$(realpath "$2")
layout_tool=$(realpath "$3")
art=$4
desktop=${5:-bare}
wait_limit=${E2E_WAIT:-30}
export E2E_WAIT=$wait_limit
# "Record" ends by itself 3 s after the last key, which a busy machine's screen reader can miss;
# here it lasts until "Record" is clicked again.
export VORLANE_RECORD_IDLE_MS=${VORLANE_RECORD_IDLE_MS:-3600000}
source "$(dirname "$0")/session.sh"

skip() {
  echo "SKIP: $1; scripts/setup.sh installs it"
  exit 77
}
needed=(xdotool xwininfo xprop dbus-send dbus-run-session)
case $desktop in
  bare) needed+=(Xvfb) ;;
  openbox | keyboard) needed+=(Xvfb openbox) ;;
  wayland) needed+=(weston Xwayland) ;;
  *)
    echo "unknown desktop \"$desktop\"" >&2
    exit 2
    ;;
esac
for t in "${needed[@]}"; do command -v "$t" >/dev/null 2>&1 || skip "$t is not installed"; done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "python3-pyatspi is not installed"

own_session_bus "$0" "$@"

rm -rf "$art"
mkdir -p "$art/work"
work=$art/work
# The editor's and vorlanectl's history of every write stays in the run's own folder.
export XDG_STATE_HOME=$work/state

# ---------------------------------------------------------------------------------------------
# Reporting: steps, screenshots, failure.

step="setting up"
app_pid=""
second_pid=""
shots=0
have_import=0
command -v import >/dev/null 2>&1 && have_import=1

# The screen is tall so that a button list's popup shows all its entries at once (step 2, M5).
screen_width=1280
screen_height=4000
# The keyboard-only run has a laptop's screen.
[ "$desktop" = keyboard ] && screen_height=800

trap 'stop_session "$app_pid" "$second_pid"' EXIT

begin() {
  step=$1
  echo "== $step"
}

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

fail() {
  echo "FAIL in step \"$step\" ($desktop): $*"
  if [ -n "${DISPLAY:-}" ]; then
    echo "Windows on screen:"
    local w
    for w in $(visible_windows); do
      echo "  $w \"$(xdotool getwindowname "$w" 2>/dev/null)\" $(window_geometry "$w" 2>/dev/null)"
    done
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

# ---------------------------------------------------------------------------------------------
# The controls, where the layout tool says the windows put them.

"$layout_tool" >"$work/layout" || fail "the layout tool does not run"

# Sets cx cy cw ch to the place (pixels in its window) of control CONTROL of window FORM (Form1,
# Form2, keycode): CONTROL is the control's name (Combo5), "=" and the text it shows (=Load), or
# "-" for the window's own size.
locate() {
  local where
  where=$(FORM=$1 CONTROL=$2 awk '
    $1 != ENVIRON["FORM"] { next }
    { text = $7; for (i = 8; i <= NF; i++) text = text " " $i }
    $2 == ENVIRON["CONTROL"] || "=" text == ENVIRON["CONTROL"] { print $3, $4, $5, $6; exit }
    ' "$work/layout")
  [ -n "$where" ] || fail "the layout names no control $2 in $1"
  read -r cx cy cw ch <<<"$where"
}

# Moves the pointer to the middle of control CONTROL of FORM, shown as window WINDOW:
#   point_at WINDOW FORM CONTROL
point_at() {
  locate "$2" "$3"
  xdotool mousemove --window "$1" $((cx + cw / 2)) $((cy + ch / 2))
}
click() { point_at "$@" && xdotool click 1; }
double_click() { point_at "$@" && xdotool click --repeat 2 --delay 80 1; }

# "X Y WIDTH HEIGHT" of a window's outer frame: the client area and the borders the window manager
# says it added (none without a window manager).
frame_geometry() {
  local x y w h left=0 right=0 top=0 bottom=0 extents
  read -r x y w h < <(window_geometry "$1")
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -o '= .*' | tr -d '=,')
  [ -n "$extents" ] && read -r left right top bottom <<<"$extents"
  echo $((x - left)) $((y - top)) $((w + left + right)) $((h + top + bottom))
}

# Whether the window manager stacks window $1 above every other; and also gives it the keyboard.
on_top() {
  [ "$(xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-f]*$')" = "$(printf '0x%x' "$1")" ]
}
front_is() {
  [ "$(xprop -root _NET_ACTIVE_WINDOW | grep -o '0x[0-9a-f]*$')" = "$(printf '0x%x' "$1")" ] &&
    on_top "$1"
}

# Raises window $1 without the keyboard; a window manager does it later, so wait until it has.
raise_window() {
  xdotool windowraise "$1"
  if [ "$desktop" = openbox ] || [ "$desktop" = keyboard ]; then
    poll on_top "$1" || fail "window \"$(xdotool getwindowname "$1")\" was not raised"
  fi
}

# Gives window $1 the keyboard: through the window manager where there is one, which also raises
# it. Returns once it is in front, not merely active: a window already active is raised later, and
# a click sent before that lands on whatever still covers it.
focus() {
  if [ "$desktop" = openbox ] || [ "$desktop" = keyboard ]; then
    xdotool windowactivate "$1"
    poll front_is "$1" || fail "window \"$(xdotool getwindowname "$1")\" did not come to the front"
  else
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  fi
}

# Sends KEYS only once control ROLE NAME of window WINDOW has the keyboard focus:
#   keys_to WINDOW ROLE NAME KEY...
keys_to() {
  ask focused "$1" "$2" "$3"
  shift 3
  xdotool key "$@"
}

# Waits for a message box (a window named "Vorlane" other than the main window), reads that it says
# TEXT, and closes it with Enter on its OK button: answer_message TEXT
answer_message() {
  local box
  wait_window "Vorlane" "$main"
  box=$found
  ask has "alert:Vorlane" label "$1"
  shot message
  focus "$box"
  keys_to "alert:Vorlane" "push button" OK Return
  wait_gone "$box" "message box"
}

# Fails with MESSAGE unless the image file holds what file EXPECTED holds:
#   expect_image EXPECTED MESSAGE
expect_image() { "$tool" compare "$image" "$1" || fail "$2"; }

# ---------------------------------------------------------------------------------------------
begin "0: craft the image and start the display ($desktop)"

image="$work/device image.bin"  # a space in the path, typed into the real dialog
original="$work/original.bin"
min_size=$("$tool" min-size) || fail "image tool does not run"
"$tool" pattern "$original" $((min_size + 5)) || fail "cannot write $original"
# M1..M8 hold "a A".."h H", except M5, whose byte names no function: it starts with no choice.
for key in "1 a A" "2 b B" "3 c C" "4 d D" "6 f F" "7 g G" "8 h H"; do
  "$tool" set-key "$original" "${key%% *}" "${key#* }" || fail "cannot patch $original"
done
"$tool" put "$original" "$("$tool" button-offset 5)" 0 || fail "cannot patch $original"
# Step 1 (the row "Step 2") of Prog5 is empty: the screen reader fills it in step 5.
"$tool" set-step "$original" 4 1 None 0.0s Null Null Null Null Null Null || fail "cannot patch"
cp "$original" "$image"

case $desktop in
  bare) start_xvfb "$screen_width" "$screen_height" "$art" ;;
  openbox | keyboard) start_xvfb "$screen_width" "$screen_height" "$art" && start_openbox "$art" ;;
  wayland) start_weston "$screen_width" 1000 "$art" ;;
esac
echo "X server on $DISPLAY"
start_reader "$art/a11y.log" "$tool"

# ---------------------------------------------------------------------------------------------
begin "1: start; the window \"Vorlane\" appears"

# No platform chosen: on X the editor runs on X11, on Wayland it must pick X11 by itself.
(cd "$work" && exec env -u QT_QPA_PLATFORM "$app") >"$art/vorlane.log" 2>&1 &
app_pid=$!
wait_window "Vorlane"
main=$found
ask app "$app_pid"
read -r _ _ main_w main_h < <(window_geometry "$main")
locate Form1 -
# At another text scale (QT_FONT_DPI) the window is that much larger on the screen, give or take
# Qt's rounding.
dpi=${QT_FONT_DPI:-96}
near() { [ $(($1 * 96 - $2 * dpi)) -le $((dpi)) ] && [ $(($2 * dpi - $1 * 96)) -le $((dpi)) ]; }
near "$main_w" "$cw" && near "$main_h" "$ch" ||
  fail "main window client area is ${main_w}x${main_h}, expected ${cw}x${ch} at $dpi DPI"

# The screen reader's steps, the same on every desktop: the three windows' controls against the
# list in a11y.py, then one edit by accessibility actions alone: "Set Prog5", the row "Step 2",
# three key-caps, "Save Set" and the OK of its message. Expects the step list and editor $1, $2.
screen_reader_edit() {
  begin "5: the screen reader sees the three windows as the list says"
  ask check "frame:Vorlane"
  ask check "$1"
  ask check "$2"

  begin "5: an edit by accessibility actions alone; only the 8 bytes of the step change"
  local expected="$work/expected-reader.bin"
  cp "$image" "$expected"
  ask do "frame:Vorlane" "push button" "Set Prog5" Press
  ask window "Set Prog 5"
  ask gone "$1"
  ask do "Set Prog 5" "list item" "Step 2: *" Open
  ask window "Set itemNum 1"
  ask gone "$2"
  local cap
  for cap in A S D; do ask do "Set itemNum 1" "push button" "$cap" Press; done
  ask do "Set itemNum 1" "push button" "Save Set" Press
  ask has "alert:Vorlane" label "Your settings have been successfully saved!"
  ask do "alert:Vorlane" "push button" OK Press
  ask gone "alert:Vorlane"
  ask has "Set Prog 5" "list item" "Step 2: 0x0-0s-0x0-0x0-0x0-A-S-D"
  "$tool" set-step "$expected" 4 1 None 0.0s Null Null Null A S D
  expect_image "$expected" \
    "the screen reader's Save Set did not write exactly the 8 bytes of step 1 of Prog5"
  shot screen-reader-edit
}

# Exit through the "Exit" button ($1: click or press), then every window is gone, status 0.
exit_editor() {
  begin "6: Exit closes every window and ends the program with status 0"
  if [ "$1" = click ]; then
    focus "$main"
    xdotool windowraise "$main" # under the editor
    click "$main" Form1 =Exit
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

# Another program changes the image under the editor (vorlanectl, named by VORLANECTL): "Save"
# asks before it writes, and each answer does what it says. By accessibility actions alone; it
# needs a function on every key, as the X runs leave them (the Wayland run leaves M5 empty).
changed_on_disk() {
  begin "7: vorlanectl sets M3 behind the editor; Save asks, and Cancel writes nothing"
  [ -x "${VORLANECTL:-}" ] || fail "VORLANECTL does not name the built vorlanectl"
  local theirs="$work/theirs.bin"
  "$VORLANECTL" set "$image" M3="Vol Down" || fail "vorlanectl set M3 failed"
  cp "$image" "$theirs"
  save_meets_change() {
    ask do "frame:Vorlane" "push button" Save Press
    ask has "alert:Vorlane" label "$image was changed by another program since it was loaded.*"
    ask buttons "alert:Vorlane" Reload Overwrite Cancel
    [ "$answer" = Cancel ] || fail "the question's default button is \"$answer\", not Cancel"
  }
  save_meets_change
  shot changed-on-disk
  ask do "alert:Vorlane" "push button" Cancel Press
  ask gone "alert:Vorlane"
  expect_image "$theirs" "Cancel changed the other program's file"

  begin "7: Reload shows \"Vol Down\" in M3's list and writes nothing"
  save_meets_change
  ask do "alert:Vorlane" "push button" Reload Press
  ask gone "alert:Vorlane"
  ask named "frame:Vorlane" "combo box" "@M3 key" "Vol Down"
  expect_image "$theirs" "Reload changed the file"

  begin "7: changed again, Overwrite writes what the editor shows"
  "$VORLANECTL" set "$image" M3="Vol Up" || fail "vorlanectl set M3 failed"
  save_meets_change
  ask do "alert:Vorlane" "push button" Overwrite Press
  ask has "alert:Vorlane" label "Your settings have been successfully saved!"
  ask do "alert:Vorlane" "push button" OK Press
  ask gone "alert:Vorlane"
  expect_image "$theirs" "Overwrite did not write what the editor shows"
  shot overwritten
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
  ask shows "frame:Vorlane" text "Image file" "$image"
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
  # Where the editor, opened over the main window, must move left to stay inside the screen: its
  # frame is its own, not the main window's.
  xdotool windowmove "$main" 600 40
  main_moved() {
    [ "$(window_geometry "$main" | cut -d' ' -f1)" = 600 ] ||
      [ "$(frame_geometry "$main" | cut -d' ' -f1)" = 600 ]
  }
  poll main_moved || fail "the main window did not move to x=600"
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
  read -r -a before <<<"$(step_bytes 2 23 "$image")"
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
  answer_message "Your settings have been successfully saved!"
  "$tool" put "$expected" "$("$tool" step-offset 2 23)" "${before[0]}" "${before[1]}" \
    "${before[4]}" "${before[5]}" "${before[6]}" "${before[7]}" \
    "$("$tool" key-code A)" "$("$tool" key-code S)"
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
  answer_message "Your settings have been successfully saved!"
  "$tool" set-key "$expected" 8 "z Z"
  expect_image "$expected" "Ctrl+S did not store \"z Z\" for M8"
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
answer_message "Your settings have been successfully saved!"
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
answer_message "Your settings have been successfully saved!"
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
  answer_message "Your settings have been successfully saved!"
  "$tool" set-step "$expected" 2 53 FD-Stop 0.5s Tab Ent Null Null LAlt F4
  "$tool" put "$expected" $(($("$tool" step-offset 2 53) + 4)) 100 104 # the ISO key, F13
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

  xdotool windowraise "$main"
  click "$main" Form1 "=Set Prog3" # the screen reader starts from Prog3's list, as elsewhere
  wait_window "Set Prog 3"
  list=$found
fi

screen_reader_edit "Set Prog 3" "Set itemNum 53"
changed_on_disk
exit_editor click

echo "PASS: end-to-end on $desktop ($shots screenshots in $art)"
