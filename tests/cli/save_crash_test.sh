#!/usr/bin/env bash
# A SIGKILL in the middle of a save to another folder: the unfinished file there is the run's,
# left alone by another start while the saving run lives, and removed by the next
# "recover --discard" once it has ended, together with the run's lock.
set -euo pipefail
source "$(dirname "$0")/scratch.sh" "$1" 600

leftovers() { find music -name '*~ql*' | sort; }
fail() { echo "save_crash_test: $*" >&2; exit 1; }

"$cli" edit source.wav -o music/song.mp3 &
pid=$!
until [ -n "$(leftovers)" ] || ! kill -0 "$pid" 2>/dev/null; do sleep 0.01; done
kill -0 "$pid" 2>/dev/null || fail "the save ended before it could be watched"

"$cli" recover --discard
if kill -0 "$pid" 2>/dev/null; then
  [ -n "$(leftovers)" ] || fail "another start removed a live run's file"
fi
kill -KILL "$pid"
{ wait "$pid"; } 2>/dev/null || true
echo "left behind in the target folder: $(leftovers | tr '\n' ' ')"
[ -n "$(find music -name '~ql*-*')" ] || fail "the unfinished file does not carry the run's id"

"$cli" recover --discard
[ -z "$(leftovers)" ] || fail "left behind after recover --discard: $(leftovers)"
[ ! -e music/song.mp3 ] || fail "an unfinished save took the target's name"
echo "save_crash_test: passed"
