#!/usr/bin/env bash
# Checks a built Debian package of Vorlane the way a distribution and a user meet it: lintian, the
# desktop entry and AppStream metadata through their validators, and the package unpacked into a
# temporary root (dpkg -x), where the desktop entry's Exec and Icon must resolve, the editor must
# start on its own Xvfb and show its main window, vorlanectl --help must work and bash-completion
# must find the completion.
#
#   packaging/check-package.sh PACKAGE.deb
#
# Prints each check; exits 1 if any failed. CHECK_WAIT (seconds, default 30) bounds every wait.
set -uo pipefail

if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 PACKAGE.deb" >&2
  exit 2
fi
deb=$(realpath "$1")
source_dir=$(realpath "$(dirname "$0")/..")
wait_limit=${CHECK_WAIT:-30}
app_id=org.vorlane.Vorlane

root=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then kill "$app_pid"; fi
  if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then kill "$xvfb_pid"; fi
  wait 2>/dev/null
  rm -rf "$root"
}
trap cleanup EXIT

failures=0
pass() { echo "ok: $*"; }
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Polls `command...` every 0.2 s until it succeeds or wait_limit seconds have passed.
poll() {
  local deadline=$((SECONDS + wait_limit))
  while ! "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

# ---------------------------------------------------------------------------------------------
# The package as a whole. Warnings count: each one is fixed or overridden with its reason.

if lintian --fail-on error,warning "$deb"; then
  pass "lintian: no errors, no warnings"
else
  fail "lintian"
fi

dpkg -x "$deb" "$root" || {
  fail "dpkg -x $deb"
  exit 1
}

desktop_entry=$root/usr/share/applications/$app_id.desktop
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
for file in usr/bin/vorlane "${desktop_entry#"$root"/}" "${metainfo#"$root"/}" \
  usr/share/icons/hicolor/scalable/apps/$app_id.svg \
  usr/share/man/man1/vorlane.1.gz usr/share/man/man1/vorlanectl.1.gz \
  usr/share/bash-completion/completions/vorlanectl \
  usr/share/doc/vorlane/copyright usr/share/doc/vorlane/changelog.gz; do
  [ -f "$root/$file" ] || fail "the package has no /$file"
done

# ---------------------------------------------------------------------------------------------
# The desktop entry and the AppStream metadata as installed. desktop-file-validate succeeds even
# when it warns, so anything it prints fails.

if output=$(desktop-file-validate "$desktop_entry" 2>&1) && [ -z "$output" ]; then
  pass "desktop-file-validate: no errors, no warnings"
else
  fail "desktop-file-validate: $output"
fi
if appstreamcli validate --no-net "$metainfo"; then
  pass "appstreamcli validate: no errors, no warnings"
else
  fail "appstreamcli validate"
fi

# The first value of KEY in the desktop entry's main group.
entry_value() { sed -n "/^\[Desktop Entry\]/,/^\[/ s/^$1=//p" "$desktop_entry" | head -n 1; }

# A program name resolves inside the root the way the desktop looks it up in PATH.
resolve_program() {
  local dir
  for dir in usr/local/bin usr/bin bin; do
    [ -x "$root/$dir/$1" ] && echo "/$dir/$1" && return 0
  done
  return 1
}
exec_line=$(entry_value Exec)
read -r exec_program exec_args <<<"$exec_line"
if [ -n "$exec_args" ]; then
  fail "Exec=$exec_line: the editor takes no arguments"
elif path=$(resolve_program "$exec_program"); then
  pass "Exec=$exec_line resolves to $path"
else
  fail "Exec=$exec_line does not resolve to a program in the package"
fi
try_exec=$(entry_value TryExec)
resolve_program "$try_exec" >/dev/null || fail "TryExec=$try_exec does not resolve"

# An icon name resolves in the hicolor theme or in pixmaps, by the usual file types.
icon=$(entry_value Icon)
icon_files=$(find "$root/usr/share/icons/hicolor" "$root/usr/share/pixmaps" \
  -path '*/apps/*' -o -path '*/pixmaps/*' 2>/dev/null |
  grep -E "/$icon\.(svg|png|xpm)$")
if [ -n "$icon_files" ]; then
  pass "Icon=$icon resolves to ${icon_files//$root/}"
else
  fail "Icon=$icon resolves to no icon file in the package"
fi
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "the AppStream metadata does not launch $app_id.desktop"

# ---------------------------------------------------------------------------------------------
# vorlanectl. It arrives with the cli/ folder; before that the package cannot have it.

if [ -x "$root/usr/bin/vorlanectl" ]; then
  if output=$("$root/usr/bin/vorlanectl" --help 2>&1) && [ -n "$output" ]; then
    pass "vorlanectl --help"
  else
    fail "vorlanectl --help: $output"
  fi
elif [ -d "$source_dir/cli" ]; then
  fail "the package has no /usr/bin/vorlanectl"
else
  echo "skipped: vorlanectl --help (this tree has no cli/ yet)"
fi

# bash-completion loads the completion on first use from XDG_DATA_DIRS; then a completion runs.
completion_test='
  source /usr/share/bash-completion/bash_completion
  __load_completion vorlanectl || exit 1
  COMP_LINE="vorlanectl ex" COMP_POINT=13 COMP_WORDS=(vorlanectl ex) COMP_CWORD=1 COMPREPLY=()
  "$(complete -p vorlanectl | sed -n "s/.*-F \([^ ]*\) .*/\1/p")" vorlanectl ex vorlanectl
  [ "${COMPREPLY[*]}" = export ]'
if [ ! -f /usr/share/bash-completion/bash_completion ]; then
  fail "bash-completion is not installed (scripts/setup.sh installs it)"
elif HOME=$root XDG_DATA_DIRS=$root/usr/share bash --norc --noprofile -c "$completion_test"; then
  pass "bash-completion finds the completion, and \"vorlanectl ex\" completes to export"
else
  fail "bash-completion does not load the installed completion of vorlanectl"
fi

# ---------------------------------------------------------------------------------------------
# The installed editor on its own X server: its main window "Vorlane" appears, carrying the icon
# (Qt draws it only with its SVG icon engine), and Exit ends the program with status 0.

display_file=$root/xvfb-display
exec 3>"$display_file"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$root/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
display_known() { grep -q '^[0-9]' "$display_file"; }
if ! poll display_known; then
  fail "Xvfb did not start: $(cat "$root/xvfb.log")"
  exit 1
fi
export DISPLAY=":$(head -n 1 "$display_file")"

(cd "$root" && exec env QT_QPA_PLATFORM=xcb "$root/usr/bin/vorlane") >"$root/vorlane.log" 2>&1 &
app_pid=$!
main=""
main_window_shown() {
  local w
  for w in $(xdotool search --onlyvisible --name '^Vorlane$' 2>/dev/null); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = Vorlane ] && main=$w && return 0
  done
  return 1
}
app_ended() { ! kill -0 "$app_pid" 2>/dev/null; }
if ! poll main_window_shown; then
  fail "the installed editor showed no window \"Vorlane\" within ${wait_limit}s: $(cat "$root/vorlane.log")"
  exit 1
fi
pass "the installed editor shows its main window \"Vorlane\""
# Qt may set the icon property just after the window is mapped.
window_has_icon() { xprop -id "$main" _NET_WM_ICON 2>/dev/null | grep -q 'Icon ('; }
if poll window_has_icon; then
  pass "the main window carries the icon"
else
  fail "the main window has no icon"
fi

# No window manager here to pass on a close request: click Exit (its middle, in the main window's
# pixels), as a user would.
xdotool mousemove --window "$main" 560 24 click 1
if poll app_ended; then
  wait "$app_pid"
  status=$?
  app_pid=""
  if [ "$status" = 0 ]; then
    pass "the editor ended with status 0 after Exit"
  else
    fail "the editor ended with status $status after Exit: $(cat "$root/vorlane.log")"
  fi
else
  fail "the editor is still running ${wait_limit}s after Exit"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) of $deb failed"
  exit 1
fi
echo "PASS: $deb"
