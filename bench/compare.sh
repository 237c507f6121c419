#!/usr/bin/env bash
# Times quillon-cli against standard tools doing the same work on the same 50-minute stereo
# 44.1 kHz files and prints one table of medians and ratios (ours / theirs), with our peak
# resident memory. Usage: bench/compare.sh [runs]   (BENCH_DIR to place the files elsewhere)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
QUILLON_PACKAGES+=(lame time bc)
quillon_setup

runs="${1:-5}"
out="${BENCH_DIR:-$PWD/bench/out}"
mkdir -p "$out/tmp"
export TMPDIR="$out/tmp"

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF >/dev/null
cmake --build build-release --target quillon-cli >/dev/null
cli="$PWD/build-release/src/cli/quillon-cli"

wav="$out/long.wav"
mp3="$out/long.mp3"
if [ ! -s "$wav" ]; then
  echo "Making a 50-minute stereo WAV..." >&2
  sox -n -r 44100 -c 2 -b 16 "$wav" synth 3000 pinknoise vol 0.5
fi
if [ ! -s "$mp3" ]; then
  echo "Encoding it as MP3..." >&2
  lame --quiet -b 192 "$wav" "$mp3"
fi

# Median wall time in seconds of running the command $runs times (after one warm-up run).
median_seconds() {
  "$@" >/dev/null 2>&1
  local times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END {printf "%.3f", (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'
}

peak_rss_mb() {
  /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F: '/Maximum resident set size/ {printf "%.1f", $2/1024}'
}

printf '| %-22s | %8s | %-26s | %8s | %6s | %8s |\n' task ours reference theirs ratio "RSS MB"
printf '|%s|%s|%s|%s|%s|%s|\n' ------------------------ ---------- ---------------------------- ---------- -------- ----------

# row TASK REFERENCE-NAME -- OUR COMMAND... -- THEIR COMMAND...
row() {
  local task="$1" reference="$2"
  shift 3
  local ours=() theirs=()
  while [ "$1" != "--" ]; do ours+=("$1"); shift; done
  shift
  theirs=("$@")
  local our_time their_time ratio rss
  our_time=$(median_seconds "${ours[@]}")
  their_time=$(median_seconds "${theirs[@]}")
  ratio=$(echo "$our_time / $their_time" | bc -l)
  rss=$(peak_rss_mb "${ours[@]}")
  printf '| %-22s | %8s | %-26s | %8s | %6.2f | %8s |\n' \
    "$task" "$our_time" "$reference" "$their_time" "$ratio" "$rss"
}

row "open WAV" "cp" -- "$cli" info "$wav" -- cp "$wav" "$out/tmp/copy.wav"
row "open WAV" "ffmpeg -f wav" -- "$cli" info "$wav" -- ffmpeg -nostdin -y -v error -i "$wav" -f wav "$out/tmp/decoded.wav"
row "open MP3" "ffmpeg -f wav" -- "$cli" info "$mp3" -- ffmpeg -nostdin -y -v error -i "$mp3" -f wav "$out/tmp/decoded.wav"
rm -f "$out/tmp/copy.wav" "$out/tmp/decoded.wav"
