#!/usr/bin/env bash
# Splitting a one-hour stereo 44.1 kHz WAV with 19 markers and tags into 20 tagged WAVs, against
# cp of the same bytes, one after the other in every run so that a machine whose speed drifts
# weighs on all alike. Ours is the split alone ("quillon-cli split --time"), as the window splits
# a document that is open already. The split flushes its files to the disk before it calls them
# written, which cp does not: the table also shows the split without the flushes
# (QUILLON_BENCH_NO_FLUSH=1) and cp followed by sync. Prints the medians and the ratios (goal:
# split / cp <= 1.5).
# Usage: bench/split.sh [runs]   (BENCH_DIR and QUILLON_CLI as in compare.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/benchsetup.sh
bench_setup 5 "${1:-}" bc

wav="$out/hour.wav"
marked="$out/hour-marked.wav"
if [ ! -s "$wav" ]; then
  echo "Making a one-hour stereo WAV..." >&2
  sox -n -r 44100 -c 2 -b 16 "$wav" synth 3600 pinknoise vol 0.5
fi
if [ ! -s "$marked" ]; then
  markers=()
  for i in $(seq 1 19); do markers+=(--marker "$((i * 180 * 44100)):Track $((i + 1))"); done
  "$cli" edit "$wav" --tag artist=Bench --tag album=Hour "${markers[@]}" -o "$marked" >/dev/null
fi
parts="$out/tmp/parts"
copy="$out/tmp/copy.wav"

split_seconds() {
  rm -rf "$parts"
  sync
  env "$@" "$cli" split "$marked" --dir "$parts" --time 2>&1 >/dev/null |
    awk '/^time:/ {t=$3} END {print t}'
}
# cp, and with "sync" cp followed by sync (the same bytes on the disk).
cp_seconds() {
  rm -f "$copy"
  sync
  local start end
  start=$(date +%s.%N)
  cp "$marked" "$copy"
  [ "${1:-}" = sync ] && sync
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

split_seconds >/dev/null  # warm-up: the source in the page cache
ours=() unflushed=() base=() synced=()
for _ in $(seq "$runs"); do
  base+=("$(cp_seconds)")
  ours+=("$(split_seconds)")
  synced+=("$(cp_seconds sync)")
  unflushed+=("$(split_seconds QUILLON_BENCH_NO_FLUSH=1)")
done
count=$(find "$parts" -name '*.wav' | wc -l)
rm -rf "$parts" "$copy"

o=$(printf '%s\n' "${ours[@]}" | median)
u=$(printf '%s\n' "${unflushed[@]}" | median)
b=$(printf '%s\n' "${base[@]}" | median)
c=$(printf '%s\n' "${synced[@]}" | median)
printf '| %-44s | %8s |\n' "one hour stereo WAV, $count parts ($runs runs)" seconds
printf '|%s|%s|\n' ---------------------------------------------- ----------
printf '| %-44s | %8s |\n' "quillon-cli split (flushed, as always)" "$o" \
  "quillon-cli split, QUILLON_BENCH_NO_FLUSH=1" "$u" "cp of the same bytes" "$b" "cp + sync" "$c"
printf '| %-44s | %8.3f |\n' "ratio split / cp (goal <= 1.5)" "$(echo "$o / $b" | bc -l)" \
  "ratio unflushed split / cp" "$(echo "$u / $b" | bc -l)" \
  "ratio split / (cp + sync)" "$(echo "$o / $c" | bc -l)"
