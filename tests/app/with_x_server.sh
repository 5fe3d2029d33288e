#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb) with a window manager (openbox), so that window
# frames, activation and focus are real. Exits 77 (a skip for ctest) with a message when no
# X server can be started; stops both servers however the command ends.
# Usage: tests/app/with_x_server.sh COMMAND [ARG...]
set -u

skip() {
  echo "SKIPPED: $*"
  exit 77
}

command -v Xvfb >/dev/null || skip "Xvfb is not installed (tools/install-deps.sh installs xvfb)"
command -v openbox >/dev/null || skip "openbox is not installed (tools/install-deps.sh installs it)"

work=$(mktemp -d) || skip "no temporary folder"
xvfb_pid=""
wm_pid=""
cleanup() {
  [[ -n $wm_pid ]] && kill "$wm_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

# Xvfb picks a free display itself and writes its number to the descriptor given.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
  [[ -s $work/display ]] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
[[ -s $work/display ]] || skip "Xvfb did not start: $(tail -n 3 "$work/xvfb.log" | tr '\n' ' ')"
export DISPLAY=":$(head -n 1 "$work/display")"

openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
# The window manager is up once it announces itself on the root window.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  kill -0 "$wm_pid" 2>/dev/null || break
  sleep 0.05
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" ||
  skip "openbox did not start: $(tail -n 3 "$work/openbox.log" | tr '\n' ' ')"

export QT_QPA_PLATFORM=xcb
# Well inside the test's own time limit, so that the servers are always stopped here.
timeout --kill-after=5 150 "$@"
