#!/bin/bash
# Usage: system_end_test.sh QUILLON QUILLON_CLI
# The editor under openbox on Xvfb, with an unsaved edit, ends on SIGTERM or SIGINT whatever it
# shows (its window, the Open dialog, the save question), by itself or by its watchdog's bound; its
# source stays as it was and the journal offers the edit to the next start. The time it took is
# printed, not judged: on a loaded machine the test's own polling takes part of it, and the bound
# is the watchdog's. Exits 77 (skipped) when a tool is missing.
set -u
quillon=$1 cli=$2
for tool in Xvfb openbox xdotool xprop sox; do
  command -v "$tool" >/dev/null 2>&1 || { echo "Skipped: $tool is not installed."; exit 77; }
done
if [ -z "${QUILLON_UNDER_XVFB:-}" ]; then
  export QUILLON_UNDER_XVFB=1
  exec timeout 170 bash "$(dirname "$0")/../support/xvfb_run.sh" 1280x800x24 bash "$0" "$@"
fi
work=$(mktemp -d)
trap 'kill "$wm" 2>/dev/null; rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data TMPDIR=$work/tmp
export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy
mkdir -p "$TMPDIR"
fail() { echo "FAIL: $*"; exit 1; }
# Polls a command until it succeeds, for about thirty seconds (a loaded machine).
wait_for() {
  for _ in $(seq 300); do "$@" && return 0; sleep 0.1; done
  return 1
}
# A visible window of the editor whose whole title is $1.
window_named() { xdotool search --onlyvisible --pid "$editor" --name "^$1\$" 2>/dev/null | grep -m1 .; }

openbox --sm-disable >/dev/null 2>&1 &
wm=$!
wait_for bash -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" || fail "no openbox"
source=$work/take.wav
sox -n -r 44100 -c 2 -b 16 "$source" synth 3 sine 440 || fail "sox made no source"
original=$(md5sum <"$source")

# What shows when the signal comes, opened with keys as a user opens it.
nothing() { :; }
open_dialog() { xdotool key ctrl+o; wait_for window_named "Open" >/dev/null; }
save_question() { xdotool key ctrl+q; wait_for window_named "Quillon" >/dev/null; }

for row in "nothing TERM" "open_dialog TERM" "save_question INT"; do
  set -- $row
  "$quillon" "$source" >"$work/out.txt" 2>&1 &
  editor=$!
  window=$(wait_for window_named "take.wav - Quillon") || fail "$1: no editor window"
  xdotool windowactivate --sync "$window" >/dev/null 2>&1
  xdotool key ctrl+a Delete
  wait_for window_named "\\*take.wav - Quillon" >/dev/null || fail "$1: the edit did not take"
  "$1" || fail "$1 did not show"
  asked=$(date +%s%N)
  kill -"$2" "$editor"
  # Far beyond the watchdog's bound: only a program that does not end fails here.
  for _ in $(seq 1500); do kill -0 "$editor" 2>/dev/null || break; sleep 0.01; done
  took=$((($(date +%s%N) - asked) / 1000000))
  kill -0 "$editor" 2>/dev/null && fail "$1: still running $took ms after SIG$2"
  wait "$editor"
  status=$?
  # The signal's own status, or the watchdog's when the end itself was held up.
  [ "$status" -eq $((128 + $(kill -l "$2"))) ] || [ "$status" -eq $((128 + $(kill -l ALRM))) ] ||
    fail "$1: exit status $status after SIG$2"
  [ "$(md5sum <"$source")" = "$original" ] || fail "$1: the source file changed"
  "$cli" recover --list >"$work/list.txt" 2>&1
  grep -q "take.wav" "$work/list.txt" || fail "$1: nothing to recover: $(cat "$work/list.txt")"
  echo "$1: ended $took ms after SIG$2; the journal offers the edit"
  "$cli" recover --discard >/dev/null 2>&1
done
echo "PASS: every signal ended the editor and left its edit to recover"
