#!/usr/bin/env bash
# Times quillon-cli against standard tools doing the same work on the same 50-minute stereo
# 44.1 kHz files and prints one table of medians and ratios (ours / theirs), with our peak
# resident memory, then the speed goals: open <= 2 x (cp + one read of the file), each edit and
# effect alone <= 2.5 x cp, peak memory < 64 MB.
# Usage: bench/compare.sh [runs]   (BENCH_DIR to place the files elsewhere; QUILLON_CLI to time
# another build of quillon-cli; BENCH_GOALS_ONLY=1 for the goals alone; BENCH_BEFORE_CLI, an older
# quillon-cli, adds its times and ratios to the goals, measured in the same run)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
QUILLON_PACKAGES+=(lame time bc)
quillon_setup

runs="${1:-5}"
out="${BENCH_DIR:-$PWD/bench/out}"
mkdir -p "$out/tmp"
export TMPDIR="$out/tmp"

if [ -n "${QUILLON_CLI:-}" ]; then
  cli=$QUILLON_CLI
else
  cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF >/dev/null
  cmake --build build-release --target quillon-cli >/dev/null
  cli="$PWD/build-release/src/cli/quillon-cli"
fi

wav="$out/long.wav"
mp3="$out/long.mp3"
if [ ! -s "$wav" ]; then
  echo "Making a 50-minute stereo WAV..." >&2
  sox -n -r 44100 -c 2 -b 16 "$wav" synth 3000 pinknoise vol 0.5
fi
if [ -z "${BENCH_GOALS_ONLY:-}" ] && [ ! -s "$mp3" ]; then
  echo "Encoding it as MP3..." >&2
  lame --quiet -b 192 "$wav" "$mp3"
fi

median() {
  sort -g | awk '{a[NR]=$1} END {printf "%.3f", (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'
}

# Wall time in seconds of one run of a command. Dirty pages of earlier runs are written out
# first, so that no run pays for another's, and the tools' output is removed first: like ours,
# they then write a new file rather than pay for truncating an old one (which alone takes several
# times as long as the copy).
once_seconds() {
  rm -f "$copy" "$copy".* "$saved".*
  sync
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

# Seconds of the last step of one "quillon-cli edit --time STEPS..." run of PROGRAM on the long
# WAV: the document's own operation, without opening the file.
once_step_seconds() {
  local program="$1"
  shift
  rm -f "$saved".*
  sync
  "$program" edit "$wav" --time "$@" 2>&1 >/dev/null | awk '/^time:/ {t=$3} END {print t}'
}

# Median of $runs runs of the command (after one warm-up run).
median_seconds() {
  "$@" >/dev/null 2>&1
  for _ in $(seq "$runs"); do once_seconds "$@"; done | median
}

# Median of $runs runs of our last step.
step_seconds() {
  for _ in $(seq "$runs"); do once_step_seconds "$cli" "$@"; done | median
}

peak_rss_mb() {
  /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F: '/Maximum resident set size/ {printf "%.1f", $2/1024}'
}


print_row() {  # TASK OURS REFERENCE THEIRS RSS
  local ratio
  ratio=$(echo "$2 / $4" | bc -l)
  printf '| %-26s | %8s | %-28s | %8s | %6.2f | %8s |\n' "$1" "$2" "$3" "$4" "$ratio" "$5"
}

# row TASK REFERENCE-NAME -- OUR COMMAND... -- THEIR COMMAND...
row() {
  local task="$1" reference="$2"
  shift 3
  local ours=() theirs=()
  while [ "$1" != "--" ]; do ours+=("$1"); shift; done
  shift
  theirs=("$@")
  print_row "$task" "$(median_seconds "${ours[@]}")" "$reference" \
    "$(median_seconds "${theirs[@]}")" "$(peak_rss_mb "${ours[@]}")"
}

# edit_row TASK "OUR STEPS" REFERENCE-NAME -- THEIR COMMAND...: ours is the last step alone.
edit_row() {
  local task="$1" steps="$2" reference="$3"
  shift 4
  # shellcheck disable=SC2086
  print_row "$task" "$(step_seconds $steps)" "$reference" "$(median_seconds "$@")" \
    "$(peak_rss_mb "$cli" edit "$wav" $steps)"
}

copy="$out/tmp/copy.wav"
tensec=441000  # frames in ten seconds
saved="$out/tmp/saved"

reference_table() {
  printf '| %-26s | %8s | %-28s | %8s | %6s | %8s |\n' task ours reference theirs ratio "RSS MB"
  printf '|%s|%s|%s|%s|%s|%s|\n' ---------------------------- ---------- ------------------------------ ---------- -------- ----------
  row "open WAV" "cp" -- "$cli" info "$wav" -- cp "$wav" "$copy"
  row "open WAV" "ffmpeg -f wav" -- "$cli" info "$wav" -- ffmpeg -nostdin -y -v error -i "$wav" -f wav "$copy"
  row "open MP3" "ffmpeg -f wav" -- "$cli" info "$mp3" -- ffmpeg -nostdin -y -v error -i "$mp3" -f wav "$copy"

  edit_row "reverse" "--reverse" "sox reverse" -- sox "$wav" "$copy" reverse
  edit_row "invert" "--invert" "sox vol -1" -- sox "$wav" "$copy" vol -1
  edit_row "amplify 50 %" "--amplify 50" "sox vol 0.5" -- sox "$wav" "$copy" vol 0.5
  edit_row "normalize 95 %" "--normalize 95" "sox norm -0.45" -- sox "$wav" "$copy" norm -0.45
  edit_row "fade in, whole document" "--fade-in 0:132300000" "sox fade q 3000" -- sox "$wav" "$copy" fade q 3000
  edit_row "fade in, first 10 s" "--fade-in 0:$tensec" "sox fade q 10" -- sox "$wav" "$copy" fade q 10
  edit_row "delete first 10 s" "--delete 0:$tensec" "sox trim 10" -- sox "$wav" "$copy" trim 10
  edit_row "insert 10 s silence" "--insert-silence 0:$tensec" "sox pad 10" -- sox "$wav" "$copy" pad 10
  edit_row "cut 10 s" "--cut 0:$tensec" "cp" -- cp "$wav" "$copy"
  edit_row "copy 10 s" "--copy 0:$tensec" "cp" -- cp "$wav" "$copy"
  edit_row "paste 10 s" "--copy 0:$tensec --paste 0" "cp" -- cp "$wav" "$copy"
  edit_row "reverse (vs cp)" "--reverse" "cp" -- cp "$wav" "$copy"
  edit_row "amplify (vs cp)" "--amplify 50" "cp" -- cp "$wav" "$copy"
  edit_row "fade in, whole (vs cp)" "--fade-in 0:132300000" "cp" -- cp "$wav" "$copy"
  edit_row "undo (after reverse)" "--reverse --undo" "cp" -- cp "$wav" "$copy"
  edit_row "redo (after undo)" "--reverse --undo --redo" "cp" -- cp "$wav" "$copy"
  edit_row "save WAV" "-o $saved.wav" "cp" -- cp "$wav" "$copy"
  edit_row "save MP3 CBR 192" "--bitrate 192 -o $saved.mp3" "lame -b 192 -q 5" -- lame --quiet -b 192 -q 5 "$wav" "$copy.mp3"
  edit_row "save FLAC level 5" "-o $saved.flac" "ffmpeg flac level 5" -- \
    ffmpeg -nostdin -y -v error -i "$wav" -c:a flac -compression_level 5 "$copy.flac"
  edit_row "save Opus 96k" "--opus-bitrate 96 -o $saved.opus" "ffmpeg libopus 96k" -- \
    ffmpeg -nostdin -y -v error -i "$wav" -c:a libopus -b:a 96k "$copy.opus"
}

# goal_row TASK SECONDS BASE-NAME BASE-SECONDS LIMIT RSS [BEFORE-SECONDS]: the ratio against its
# goal, and the older build's ratio when there is one.
goal_row() {
  local ratio verdict before=""
  ratio=$(echo "$2 / $4" | bc -l)
  verdict=$(echo "$ratio <= $5 && $6 < 64" | bc -l)
  [ "$verdict" = 1 ] && verdict=met || verdict=missed
  [ -n "${7:-}" ] && before=$(printf ' %8s | %6.2f |' "$7" "$(echo "$7 / $4" | bc -l)")
  printf '| %-24s | %8s | %-10s | %8s | %6.2f | %6s | %8s | %-6s |%s\n' "$1" "$2" "$3" "$4" "$ratio" "<= $5" "$6" "$verdict" "$before"
}


# goal TASK LIMIT STEPS...: each run times the base (cp, or cp and a read for opening), ours and
# the older build's one after the other, so that a machine whose speed drifts during the
# benchmark weighs on all three alike; the medians make the row.
goal() {
  local task="$1" limit="$2"
  shift 2
  local base=() ours=() before=() b o
  for _ in $(seq "$runs"); do
    b=$(once_seconds cp "$wav" "$copy")
    if [ "$task" = "open WAV" ]; then
      b=$(echo "$b + $(once_seconds cat "$wav")" | bc -l)
      ours+=("$(once_seconds "$cli" info "$wav")")
      [ -n "${BENCH_BEFORE_CLI:-}" ] && before+=("$(once_seconds "$BENCH_BEFORE_CLI" info "$wav")")
    else
      ours+=("$(once_step_seconds "$cli" "$@")")
      [ -n "${BENCH_BEFORE_CLI:-}" ] && before+=("$(once_step_seconds "$BENCH_BEFORE_CLI" "$@")")
    fi
    base+=("$b")
  done
  local rss before_median=""
  if [ "$task" = "open WAV" ]; then rss=$(peak_rss_mb "$cli" info "$wav"); else rss=$(peak_rss_mb "$cli" edit "$wav" "$@"); fi
  [ -n "${BENCH_BEFORE_CLI:-}" ] && before_median=$(printf '%s\n' "${before[@]}" | median)
  goal_row "$task" "$(printf '%s\n' "${ours[@]}" | median)" \
    "$([ "$task" = "open WAV" ] && echo "cp + read" || echo cp)" \
    "$(printf '%s\n' "${base[@]}" | median)" "$limit" "$rss" "$before_median"
}

goals_table() {
  local task steps
  local header=(goal ours base "base s" ratio limit "RSS MB" result) rule=""
  [ -n "${BENCH_BEFORE_CLI:-}" ] && header+=(before "ratio") && rule="----------|--------|"
  printf '\n| %-24s | %8s | %-10s | %8s | %6s | %6s | %8s | %-6s |' "${header[@]:0:8}"
  [ -n "$rule" ] && printf ' %8s | %6s |' "${header[@]:8}"
  printf '\n|%s|%s|%s|%s|%s|%s|%s|%s|%s\n' -------------------------- ---------- ------------ ---------- -------- -------- ---------- -------- "$rule"
  goal "open WAV" 2
  while IFS='|' read -r task steps; do
    # shellcheck disable=SC2086
    goal "$task" 2.5 $steps
  done <<GOALS
amplify 50 %|--amplify 50
normalize 95 %|--normalize 95
invert|--invert
reverse|--reverse
fade in, whole document|--fade-in 0:132300000
fade out, whole document|--fade-out 0:132300000
delete first 10 s|--delete 0:$tensec
insert 10 s silence|--insert-silence 0:$tensec
paste 10 s|--copy 0:$tensec --paste 0
GOALS
}

[ -n "${BENCH_GOALS_ONLY:-}" ] || reference_table
goals_table
rm -f "$copy" "$copy.mp3" "$copy.flac" "$copy.opus" "$saved.wav" "$saved.mp3" "$saved.flac" \
  "$saved.opus"
