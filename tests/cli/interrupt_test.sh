#!/usr/bin/env bash
# A SIGINT in the middle of a save, in each format: quillon-cli stops the save, leaves neither a
# partial target nor any file of its own in the target's folder or the temporary folder, and
# ends non-zero with a line that says why.
set -euo pipefail
# Job control, so that the background run gets SIGINT as a terminal's Ctrl+C would give it.
set -m
source "$(dirname "$0")/scratch.sh" "$1" 900

fail() { echo "interrupt_test: $*" >&2; exit 1; }
listing() { (cd "$1" && find . -mindepth 1 | sort); }

for target in song.wav song.mp3 song.flac song.ogg song.opus; do
  # The temporary folder before the run; the run's own bookkeeping lives elsewhere.
  before_tmp=$(listing "$TMPDIR")
  before_music=$(listing music)
  "$cli" edit source.wav -o "music/$target" 2>"$work/stderr" &
  pid=$!
  # The save has begun once its unfinished file shows in the target's folder.
  until [ -n "$(find music -name '*~ql*')" ] || ! kill -0 "$pid" 2>/dev/null; do sleep 0.01; done
  kill -0 "$pid" 2>/dev/null || fail "$target: the save ended before it could be interrupted"
  kill -INT "$pid"
  status=0
  wait "$pid" || status=$?
  [ "$status" -eq 130 ] || fail "$target: exit status $status, expected 130"
  grep -q "quillon-cli: interrupted" "$work/stderr" || fail "$target: no line says it was interrupted: $(cat "$work/stderr")"
  # A signal that lands after the save was complete (a WAV copy under the sanitizers is quick)
  # cannot take the finished file back: then it must be whole, and nothing else may be left.
  if [ -e "music/$target" ] && [ "$(listing music)" = "$(printf '%s\n./%s' "$before_music" "$target" | sed '/^$/d')" ]; then
    seconds=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "music/$target")
    [ "${seconds%.*}" -ge 899 ] || fail "$target: a partial file was left: $seconds s"
    rm "music/$target"
  fi
  [ "$(listing music)" = "$before_music" ] || fail "$target: left in the target folder: $(listing music)"
  [ "$(listing "$TMPDIR")" = "$before_tmp" ] || fail "$target: left in the temporary folder: $(listing "$TMPDIR")"
  echo "interrupt_test: $target: cancelled cleanly"
done
echo "interrupt_test: passed"
