# What the end-to-end runs (e2e/run_*.sh, through e2e/common.sh) and the package check
# (packaging/check-package.sh) share to run the editor on a display of their own: a private
# session bus, the display (Xvfb, openbox, weston with Xwayland), waits on conditions, finding
# windows, and the screen reader (e2e/a11y.py).
# Sourced, not run.
#
# The sourcing script sets wait_limit (seconds; bounds every single wait) and defines
# fail MESSAGE, which may or may not exit; where fail returns, the function that called it returns
# 1. Every process started here is ended by stop_session, which the script runs on exit.

session_home=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
session_pids=()

# Runs the script again (own_session_bus "$0" "$@") inside a session bus and a runtime folder of
# its own, whatever the caller's session has, and exits with its status; returns at once when
# already inside. The accessibility bus keeps its socket in the runtime folder, and runs side by
# side must not meet.
own_session_bus() {
  [ -n "${VORLANE_SESSION_BUS:-}" ] && return 0
  command -v dbus-run-session >/dev/null 2>&1 || {
    echo "dbus-run-session is not installed; scripts/setup.sh installs it" >&2
    exit 1
  }
  XDG_RUNTIME_DIR=$(mktemp -d "${TMPDIR:-/tmp}/vorlane-session.XXXXXX") || exit 1
  export XDG_RUNTIME_DIR
  env VORLANE_SESSION_BUS=1 dbus-run-session -- bash "$@"
  local status=$?
  rm -rf "$XDG_RUNTIME_DIR"
  exit "$status"
}

# Ends the processes given (the script's own) and those started here, newest first.
stop_session() {
  local p k
  for p in "$@"; do
    [ -n "$p" ] && kill -0 "$p" 2>/dev/null && kill "$p" 2>/dev/null
  done
  [ -n "${READER_PID:-}" ] && kill "$READER_PID" 2>/dev/null
  for ((k = ${#session_pids[@]} - 1; k >= 0; k--)); do
    p=${session_pids[k]}
    kill -0 "$p" 2>/dev/null && kill "$p" 2>/dev/null
  done
  wait 2>/dev/null
}

# Runs `command...` every 0.2 s until it succeeds; fails after wait_limit seconds.
poll() {
  local deadline=$((SECONDS + wait_limit))
  while ! "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

# ---------------------------------------------------------------------------------------------
# Displays. Each sets and exports DISPLAY; logs go into the folder given.

# An X server of WIDTH x HEIGHT on a display number of its own choosing (no clash with other runs).
start_xvfb() {
  local width=$1 height=$2 dir=$3
  exec 3>"$dir/xvfb-display"
  Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  session_pids+=($!)
  exec 3>&-
  display_known() { grep -q '^[0-9]' "$dir/xvfb-display"; }
  poll display_known || {
    fail "Xvfb did not start: $(cat "$dir/xvfb.log")"
    return 1
  }
  export DISPLAY=":$(head -n 1 "$dir/xvfb-display")"
}

# openbox on the X server, as Debian configures it, except that Alt and the wheel switch desktops
# there, which would keep Alt+wheel from ever reaching a program.
start_openbox() {
  local dir=$1
  sed '/<mousebind button="A-Up"/,/<\/mousebind>/d; /<mousebind button="A-Down"/,/<\/mousebind>/d' \
    /etc/xdg/openbox/rc.xml >"$dir/openbox-rc.xml"
  openbox --sm-disable --config-file "$dir/openbox-rc.xml" >"$dir/openbox.log" 2>&1 &
  session_pids+=($!)
  wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
  poll wm_running || {
    fail "openbox did not start: $(cat "$dir/openbox.log")"
    return 1
  }
}

# weston's headless compositor with Xwayland; sets WAYLAND_DISPLAY as well. The socket's name
# carries the process id, so that runs side by side do not meet.
start_weston() {
  local width=$1 height=$2 dir=$3 socket=vorlane-$$
  weston --backend=headless-backend.so --xwayland --socket="$socket" --idle-time=0 \
    --width="$width" --height="$height" >"$dir/weston.log" 2>&1 &
  session_pids+=($!)
  xwayland_ready() { grep -q 'xserver listening on display' "$dir/weston.log"; }
  poll xwayland_ready || {
    fail "weston did not start Xwayland: $(tail -n 5 "$dir/weston.log")"
    return 1
  }
  DISPLAY=$(grep -o 'xserver listening on display :[0-9]*' "$dir/weston.log" | grep -o ':[0-9]*$')
  export DISPLAY WAYLAND_DISPLAY=$socket XDG_SESSION_TYPE=wayland
}

# ---------------------------------------------------------------------------------------------
# Windows, through the X server.

visible_windows() { xdotool search --onlyvisible --name '.' 2>/dev/null; }

# Visible windows whose name is exactly $1 (xdotool's own match is a case-blind pattern).
windows_named() {
  local w
  for w in $(visible_windows); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && echo "$w"
  done
}

# Sets $found to the one visible window named $1 that is not $2; fails if there is none or more.
found=""
find_window() {
  local ids
  ids=$(windows_named "$1" | grep -vx "${2:-none}")
  [ "$(printf '%s' "$ids" | grep -c .)" = 1 ] || return 1
  found=$ids
}

# Waits for a window named $1 (other than $2) and sets $found to it.
wait_window() {
  poll find_window "$1" "${2:-}" || {
    fail "no window named \"$1\" appeared within ${wait_limit}s"
    return 1
  }
}

window_gone() { ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }

# Waits until window $1 (called $2 in the message) is off the screen.
wait_gone() {
  poll window_gone "$1" || {
    fail "window $1 (\"$2\") is still on screen after ${wait_limit}s"
    return 1
  }
}

# "X Y WIDTH HEIGHT" of a window's client area on the screen.
window_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                            /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}

# ---------------------------------------------------------------------------------------------
# The screen reader: e2e/a11y.py, one command a line, one answer a line.

# Starts it on the display, its errors in LOG; further arguments go to a11y.py.
start_reader() {
  local log=$1
  shift
  # The accessibility bus, started on demand by the session bus, announces itself on our display.
  dbus-update-activation-environment DISPLAY XDG_RUNTIME_DIR || {
    fail "cannot hand the display to the session bus"
    return 1
  }
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled \
    variant:boolean:true >/dev/null || {
    fail "the accessibility bus did not start"
    return 1
  }
  reader_log=$log
  coproc READER { exec /usr/bin/python3 "$session_home/a11y.py" "$@" 2>"$log"; }
}

# Asks the screen reader (see a11y.py for the commands); its answer's value is left in $answer.
answer=""
ask() {
  [ -n "${READER_PID:-}" ] || {
    fail "the screen reader is not running"
    return 1
  }
  printf '%q ' "$@" >&"${READER[1]}"
  echo >&"${READER[1]}"
  IFS= read -r -t $((wait_limit + 15)) answer <&"${READER[0]}" || {
    fail "the screen reader did not answer \"$*\" ($(tail -n 3 "$reader_log"))"
    return 1
  }
  case $answer in
    ok*)
      answer=${answer#ok}
      answer=${answer# }
      ;;
    *)
      fail "screen reader, \"$*\": $answer"
      return 1
      ;;
  esac
}
