#!/usr/bin/env bash
# Times the everyday tools of quillon-cli on a 50-minute stereo 44.1 kHz WAV against the tools
# their goals name, in the same run, and prints medians, ratios and the goals:
#   trim silence, convert to mono    <= 1.5 x cp of the document (the edit step alone)
#   measure loudness with true peak  <= 0.5 x ffmpeg -af ebur128=peak=true (whole commands)
#   change rate 44.1 -> 48 kHz       <= 1 x sox rate -h (the edit step against sox's run)
# Usage: bench/tools.sh [runs]   (BENCH_DIR places the files; QUILLON_CLI times another build)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/benchsetup.sh
bench_setup 3 "${1:-}" time bc

# Speech-like: pink noise in bursts, with a silent second at each end to trim.
wav="$out/tools.wav"
if [ ! -s "$wav" ]; then
  echo "Making a 50-minute stereo WAV..." >&2
  sox -n -r 44100 -c 2 -b 16 "$out/tmp/body.wav" synth 2998 pinknoise vol 0.5 tremolo 0.7 90
  sox -n -r 44100 -c 2 -b 16 "$out/tmp/edge.wav" trim 0 1
  sox "$out/tmp/edge.wav" "$out/tmp/body.wav" "$out/tmp/edge.wav" "$wav"
  rm -f "$out/tmp/body.wav" "$out/tmp/edge.wav"
fi
copy="$out/tmp/copy.wav"

seconds_of() {
  rm -f "$copy"
  sync
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
# The seconds of the last step of "quillon-cli edit --time STEPS".
step_of() {
  sync
  "$cli" edit "$wav" --time "$@" 2>&1 >/dev/null | awk '/^time:/ {t=$3} END {print t}'
}

# goal TASK LIMIT BASE-NAME "OURS" "BASE": both measured in turn in every run.
goal() {
  local task="$1" limit="$2" name="$3" ours_cmd="$4" base_cmd="$5" ours=() base=()
  for _ in $(seq "$runs"); do
    ours+=("$(eval "$ours_cmd")")
    base+=("$(eval "$base_cmd")")
  done
  local o b ratio verdict
  o=$(printf '%s\n' "${ours[@]}" | median)
  b=$(printf '%s\n' "${base[@]}" | median)
  ratio=$(echo "$o / $b" | bc -l)
  verdict=$(echo "$ratio <= $limit" | bc -l)
  [ "$verdict" = 1 ] && verdict=met || verdict=missed
  printf '| %-22s | %8s | %-26s | %8s | %6.2f | %6s | %-6s |\n' "$task" "$o" "$name" "$b" "$ratio" "<= $limit" "$verdict"
}

printf '| %-22s | %8s | %-26s | %8s | %6s | %6s | %-6s |\n' goal ours base "base s" ratio limit result
printf '|%s|%s|%s|%s|%s|%s|%s|\n' ------------------------ ---------- ---------------------------- ---------- -------- -------- --------
goal "trim silence" 1.5 "cp" "step_of --trim-silence" "seconds_of cp '$wav' '$copy'"
goal "convert to mono" 1.5 "cp" "step_of --mono" "seconds_of cp '$wav' '$copy'"
goal "measure loudness" 0.5 "ffmpeg ebur128 peak=true" "seconds_of '$cli' info --loudness '$wav'" \
  "seconds_of ffmpeg -nostdin -v info -i '$wav' -af ebur128=peak=true -f null -"
goal "rate 44.1 -> 48 kHz" 1 "sox rate -h" "step_of --rate 48000" \
  "seconds_of sox '$wav' -r 48000 '$copy' rate -h"
