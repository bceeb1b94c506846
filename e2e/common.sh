# The shared part of the end-to-end runs (run_mouse.sh, run_keyboard.sh, run_wayland.sh), which
# source it after setting `desktop`: the built editor on a real display, driven only from outside,
# as a user and a screen reader would drive it: through the X server with xdotool (clicks at the
# controls' places, keys, window names) and through the accessibility bus (e2e/a11y.py), which
# also reads what the controls show. It checks the arguments, starts the display and the editor
# (steps 0 and 1) and holds the helpers and the steps every run shares.
#
#   run_*.sh VORLANE IMAGE_TOOL LAYOUT_TOOL ARTIFACTS_DIR [DESKTOP]
#
# IMAGE_TOOL (e2e/image_tool.cpp) writes and compares images and answers from the tables;
# LAYOUT_TOOL (e2e/layout_tool.cpp) says where the windows put their controls and what the saves
# say. The scripts themselves know no offset, code, position or message of the editor's. DESKTOP
# is where the editor runs:
#   bare     its own Xvfb, no window manager (run_mouse.sh's default)
#   openbox  its own Xvfb with the openbox window manager: placement is about frames, and each
#            window must come to the front (run_mouse.sh)
#   keyboard its own 1280x800 Xvfb with openbox (run_keyboard.sh)
#   wayland  weston's headless compositor with Xwayland, QT_QPA_PLATFORM unset: the editor must
#            choose X11 by itself, and keep Wayland when the user asks for it. Xwayland without a
#            seat takes no synthetic input, so this run is driven through the accessibility bus
#            (run_wayland.sh).
#
# Screenshots of every step and the editor's output are kept in ARTIFACTS_DIR. Exits 0 on
# success, 1 on failure (naming the step and the windows on screen), 77 when a tool is missing.
# E2E_WAIT (seconds, default 30) bounds every single wait; every wait is on a condition, and every
# key is sent only once the control meant to take it is seen to have the focus.
# shellcheck shell=bash
# shellcheck disable=SC2154 # desktop is set by the run script that sources this
set -uo pipefail
# A misspelt helper would otherwise be reported and run past, and the run still pass.
command_not_found_handle() {
  echo "e2e: no command \"$1\"" >&2
  kill "$$"
}

if [ $# -lt 4 ] || [ $# -gt 5 ]; then
  echo "usage: $0 VORLANE IMAGE_TOOL LAYOUT_TOOL ARTIFACTS_DIR [DESKTOP]" >&2
  exit 2
fi

app=$(realpath "$1")
tool=$(realpath "$2")
layout_tool=$(realpath "$3")
art=$4
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
saved=$("$layout_tool" --saved-message) || fail "the layout tool does not run"

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
  ask has "alert:Vorlane" label "$saved"
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
  ask has "alert:Vorlane" label "$saved"
  ask do "alert:Vorlane" "push button" OK Press
  ask gone "alert:Vorlane"
  expect_image "$theirs" "Overwrite did not write what the editor shows"
  shot overwritten
}


# The last words of a run that passed.
pass() {
  echo "PASS: end-to-end on $desktop ($shots screenshots in $art)"
  exit 0
}
