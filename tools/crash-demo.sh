#!/usr/bin/env bash
# Crash recovery, end to end: three edits to a file, a SIGKILL in the middle of a fourth, then
# the next start takes the document up again after the third edit with its three undo steps,
# and the source file is unchanged. Usage: tools/crash-demo.sh [quillon-cli]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$root/build/src/cli/quillon-cli}
[ -x "$cli" ] || { echo "crash-demo: build first (./test.sh), no $cli" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Its own temporary and data folders, so that nothing of the user's is looked at.
export TMPDIR=$work/tmp XDG_DATA_HOME=$work/data
mkdir -p "$TMPDIR"
cd "$work"

seconds=${CRASH_DEMO_SECONDS:-300}
frames=$((seconds * 44100))
sox -n -r 44100 -c 2 -b 16 source.wav synth "$seconds" sine 440 sine 660 vol 0.5
checksum=$(sha256sum <source.wav)
edits=(--reverse --invert --fade-in 0:44100)

stores() { find "$TMPDIR" -maxdepth 1 -name '~ql*' | wc -l; }
step() { printf '\n== %s\n' "$*"; }

step "The three edits done without a crash, for comparison"
"$cli" edit source.wav -o original.wav
"$cli" edit source.wav "${edits[@]}" -o expected.wav

step "Three edits, then SIGKILL in the middle of a fourth (normalize)"
"$cli" edit source.wav "${edits[@]}" --normalize 100 -o never.wav 2>/dev/null &
pid=$!
# The opened copy and three edits make four stores; a fifth means the fourth edit is writing.
until [ "$(stores)" -ge 5 ] || ! kill -0 "$pid" 2>/dev/null; do sleep 0.005; done
kill -KILL "$pid" 2>/dev/null || { echo "crash-demo: the edit ended before the kill" >&2; exit 1; }
{ wait "$pid"; } 2>/dev/null || true
echo "killed $pid; left behind: $(stores) temporary files and $(ls "$XDG_DATA_HOME"/Quillon/recovery)"

step "Next start: what can be recovered"
"$cli" recover --list

step "Next start: recover, keep the state after edit three, then undo three times"
"$cli" recover --save-selection "0:$frames" recovered.wav --undo --undo --undo -o undone.wav

step "Checks"
cmp recovered.wav expected.wav && echo "recovered document = the document after the third edit"
cmp undone.wav original.wav && echo "after three undos = the original audio"
[ "$(sha256sum <source.wav)" = "$checksum" ] && echo "source.wav is unchanged"
[ "$(stores)" -eq 0 ] && echo "no temporary file is left"
echo "crash-demo: passed"
