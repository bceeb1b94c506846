#!/usr/bin/env bash
# Checks a built Debian package of Vorlane the way a distribution and a user meet it: lintian, the
# desktop entry and AppStream metadata through their validators, and the package unpacked into a
# temporary root (dpkg -x), where the desktop entry's Exec and Icon must resolve, the editor must
# start on its own Xvfb, show its main window and end on a click on Exit, vorlanectl --help must
# work and bash-completion must find the completion.
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
wait_limit=${CHECK_WAIT:-30}
app_id=org.vorlane.Vorlane
source "$(dirname "$0")/../e2e/session.sh"
# The editor's Exit button is found through the accessibility bus, which wants a session bus.
own_session_bus "$0" "$@"

root=$(mktemp -d)
app_pid=""
trap 'stop_session "$app_pid"; rm -rf "$root"' EXIT

failures=0
pass() { echo "ok: $*"; }
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
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
for file in usr/bin/vorlane usr/bin/vorlanectl "${desktop_entry#"$root"/}" "${metainfo#"$root"/}" \
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
# vorlanectl.

if output=$("$root/usr/bin/vorlanectl" --help 2>&1) && [ -n "$output" ]; then
  pass "vorlanectl --help"
else
  fail "vorlanectl --help: $output"
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
# (compiled in as pixels), and Exit ends the program with status 0.

start_xvfb 1024 768 "$root" || exit 1

(cd "$root" && exec env QT_QPA_PLATFORM=xcb "$root/usr/bin/vorlane") >"$root/vorlane.log" 2>&1 &
app_pid=$!
app_ended() { ! kill -0 "$app_pid" 2>/dev/null; }
if ! poll find_window Vorlane; then
  fail "the installed editor showed no window \"Vorlane\" within ${wait_limit}s: $(cat "$root/vorlane.log")"
  exit 1
fi
main=$found
pass "the installed editor shows its main window \"Vorlane\""
# Qt may set the icon property just after the window is mapped.
window_has_icon() { xprop -id "$main" _NET_WM_ICON 2>/dev/null | grep -q 'Icon ('; }
if poll window_has_icon; then
  pass "the main window carries the icon"
else
  fail "the main window has no icon"
fi

# No window manager here to pass on a close request: click Exit, as a user would, where the
# screen reader sees it.
start_reader "$root/a11y.log" || exit 1
ask app "$app_pid" && ask where "frame:Vorlane" "push button" Exit || exit 1
read -r x y w h <<<"$answer"
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
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
