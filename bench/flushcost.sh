#!/usr/bin/env bash
# What the flushes that make a save survive a power cut cost: quillon-cli saves the 50-minute
# stereo 44.1 kHz WAV of compare.sh as WAV, once as it always does (the file and its folder
# flushed before the save ends) and once with QUILLON_BENCH_NO_FLUSH=1 (no flush at all), the two
# one after the other in every run. Prints the medians of the save step and their ratio
# (goal: <= 1.05).
# Usage: bench/flushcost.sh [runs]   (BENCH_DIR and QUILLON_CLI as in compare.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/benchsetup.sh
bench_setup 5 "${1:-}" bc

wav="$out/long.wav"
if [ ! -s "$wav" ]; then
  echo "Making a 50-minute stereo WAV..." >&2
  sox -n -r 44100 -c 2 -b 16 "$wav" synth 3000 pinknoise vol 0.5
fi
saved="$out/tmp/flushed.wav"


# Seconds of the save step alone, after the dirty pages of earlier runs are on the disk: the
# unflushed save leaves its own for the next run's sync, never for the flushed one to pay.
save_seconds() {
  rm -f "$saved"
  sync
  env "$@" "$cli" edit "$wav" --time -o "$saved" 2>&1 >/dev/null | awk '/^time:/ {t=$3} END {print t}'
}

flushed=() unflushed=()
save_seconds >/dev/null  # warm-up: the source in the page cache
for _ in $(seq "$runs"); do
  flushed+=("$(save_seconds)")
  unflushed+=("$(save_seconds QUILLON_BENCH_NO_FLUSH=1)")
done
rm -f "$saved"

f=$(printf '%s\n' "${flushed[@]}" | median)
u=$(printf '%s\n' "${unflushed[@]}" | median)
printf '| %-32s | %8s |\n' "save WAV, 50 min" seconds
printf '|%s|%s|\n' ---------------------------------- ----------
printf '| %-32s | %8s |\n' "flushed (file and folder)" "$f" "not flushed" "$u"
printf '| %-32s | %8.3f |\n' "ratio flushed / not flushed" "$(echo "$f / $u" | bc -l)"
