#!/usr/bin/env bash
# End-to-end run on weston's headless compositor with Xwayland: the editor, unasked, runs on X11,
# and keeps Wayland when asked; loaded, opened and edited through the accessibility bus.
#
#   run_wayland.sh VORLANE IMAGE_TOOL LAYOUT_TOOL ARTIFACTS_DIR
#
# e2e/common.sh says what the runs share and how they report.
desktop=wayland
source "$(dirname "$0")/common.sh"

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
pass
