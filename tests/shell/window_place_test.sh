#!/bin/bash
# Usage: window_place_test.sh QUILLON
# Starts and closes the editor three times under a real window manager (openbox on Xvfb) and
# checks that the window comes back where it was: what is stored at exit is what the next start
# restores, title bar and border included. Exits 77 (skipped) when a tool is missing.
set -u
quillon=$1
for tool in Xvfb openbox xdotool xwininfo xprop; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "Skipped: $tool is not installed (tools/setup.sh installs it)."
    exit 77
  fi
done

if [ -z "${QUILLON_UNDER_XVFB:-}" ]; then
  export QUILLON_UNDER_XVFB=1
  exec timeout 170 bash "$(dirname "$0")/../support/xvfb_run.sh" 1280x800x24 bash "$0" "$@"
fi

work=$(mktemp -d)
trap 'kill "$wm" 2>/dev/null; rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy
ini=$XDG_CONFIG_HOME/Morvane/Quillon.ini

fail() {
  echo "FAIL: $*"
  exit 1
}

# Polls a command until it succeeds or about thirty seconds have passed (a loaded machine).
wait_for() {
  for _ in $(seq 300); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# A window mapped before openbox manages the screen would never be framed.
wait_for bash -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" ||
  fail "openbox did not start"

framed() {
  xwininfo -id "$1" -tree 2>/dev/null | grep -q "Parent window id: .*(the root window)" && return 1
  return 0
}

stored() {
  sed -n "s/^$1=//p" "$ini"
}

# One start and close; prints the stored left and top.
cycle() {
  "$quillon" >"$work/out.txt" 2>&1 &
  local editor=$! window
  window=$(wait_for xdotool search --onlyvisible --pid "$editor" --name Quillon 2>/dev/null | head -n1)
  [ -n "$window" ] || fail "no editor window"
  # Framed: the window manager has reparented it (and placed it) once its parent is no longer
  # the root window.
  wait_for framed "$window" || fail "the window manager did not frame the window"
  # Closed as a user would: the window manager's shortcut on the focused window (sent through
  # XTEST, so the keys are released again even though the window goes).
  xdotool windowactivate --sync "$window" >/dev/null 2>&1
  xdotool key alt+F4
  wait_for bash -c "! kill -0 $editor 2>/dev/null" || fail "the editor did not close"
  wait "$editor" || fail "the editor ended with $?: $(cat "$work/out.txt")"
  echo "$(stored posx) $(stored posy)"
}

first=$(cycle) || { echo "$first"; exit 1; }
echo "after start 1: $first"
for round in 2 3; do
  next=$(cycle) || { echo "$next"; exit 1; }
  echo "after start $round: $next"
  [ "$next" = "$first" ] || fail "the window moved from $first to $next"
done
echo "PASS: the window stays at $first"
