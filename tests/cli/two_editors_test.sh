#!/usr/bin/env bash
# Two editors at once on one temporary folder, while a third start clears up after ended runs
# there again and again: neither loses a file, both results are exact, nothing is left.
set -euo pipefail
cli=$1
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export TMPDIR=$work/tmp
mkdir -p "$TMPDIR"
cd "$work"
sox -n -r 44100 -c 2 -b 16 a.wav synth 120 sine 440 vol 0.5
sox -n -r 22050 -c 1 -b 16 b.wav synth 150 sine 330 vol 0.5
edits_a=(--reverse --invert --fade-in 0:44100 --amplify 120 --delete 1000:90000 --undo --redo)
edits_b=(--normalize 90 --reverse --fade-out 0:22050 --insert-silence 100:5000 --invert)

# The results each edit gives alone, one after the other.
XDG_DATA_HOME=$work/alone "$cli" edit a.wav "${edits_a[@]}" -o expected_a.wav
XDG_DATA_HOME=$work/alone "$cli" edit b.wav "${edits_b[@]}" -o expected_b.wav

XDG_DATA_HOME=$work/data_a "$cli" edit a.wav "${edits_a[@]}" -o out_a.wav &
a=$!
XDG_DATA_HOME=$work/data_b "$cli" edit b.wav "${edits_b[@]}" -o out_b.wav &
b=$!
sweeps=0
while kill -0 "$a" 2>/dev/null || kill -0 "$b" 2>/dev/null; do
  XDG_DATA_HOME=$work/data_c "$cli" recover --discard
  sweeps=$((sweeps + 1))
done
wait "$a"
wait "$b"
cmp out_a.wav expected_a.wav
cmp out_b.wav expected_b.wav
left=$(find "$TMPDIR" -mindepth 1 | wc -l)
[ "$left" -eq 0 ] || { find "$TMPDIR"; echo "left behind: $left files" >&2; exit 1; }
echo "two editors: exact results after $sweeps clear-ups beside them, nothing left"
