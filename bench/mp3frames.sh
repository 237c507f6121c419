#!/usr/bin/env bash
# Times the MP3 save that keeps the source's frames against cp of the file and a full encode by
# lame at the same bitrate, on a one-hour 128 kbit/s stereo MP3 after ten cuts, then a fade over
# its first five seconds, and prints the ratios with the goals: the save after the cuts
# <= 2 x cp and <= 0.05 x lame; the fade's save encodes at most five seconds plus the bridges.
# Usage: bench/mp3frames.sh [runs] [minutes]   (BENCH_DIR, QUILLON_CLI as in bench/compare.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/benchsetup.sh
bench_setup 3 "${1:-}" lame bc
minutes="${2:-60}"

wav="$out/hour.wav"
mp3="$out/hour.mp3"
if [ ! -s "$mp3" ]; then
  echo "Making a ${minutes}-minute stereo MP3..." >&2
  sox -n -r 44100 -c 2 -b 16 "$wav" synth $((minutes * 60)) pinknoise vol 0.5
  lame --quiet -b 128 "$wav" "$mp3"
fi
[ -s "$wav" ] || ffmpeg -v error -y -i "$mp3" "$wav"

seconds() {
  local start end
  sync
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

# Ten cuts of whole frames spread over the file (from the last back, so positions hold).
cuts=()
for i in 10 9 8 7 6 5 4 3 2 1; do
  start=$((i * minutes * 60 * 44100 / 11 / 1152 * 1152))
  cuts+=(--delete "$start:$((start + 1152 * 40))")
done
save_seconds() {
  "$cli" edit "$mp3" "$@" --time -o "$out/saved.mp3" 2>&1 | awk '/^time: save/ {print $3}'
}
frames_line() {
  "$cli" edit "$mp3" "$@" --time -o "$out/saved.mp3" 2>&1 | grep '^frames:' || true
}

cp_t=$(for _ in $(seq "$runs"); do rm -f "$out/copy.mp3"; seconds cp "$mp3" "$out/copy.mp3"; done | median)
lame_t=$(for _ in $(seq "$runs"); do seconds lame --quiet -b 128 "$wav" "$out/lame.mp3"; done | median)
cut_t=$(for _ in $(seq "$runs"); do save_seconds "${cuts[@]}"; done | median)
echo "cp ${cp_t}s  lame ${lame_t}s  ten cuts, save ${cut_t}s"
echo "ten cuts: $(frames_line "${cuts[@]}")"
echo "fade over 5 s: $(frames_line --fade-in 0:220500)"
ratio_cp=$(echo "$cut_t / $cp_t" | bc -l)
ratio_lame=$(echo "$cut_t / $lame_t" | bc -l)
printf 'save after ten cuts / cp   = %.2f (goal <= 2)\n' "$ratio_cp"
printf 'save after ten cuts / lame = %.3f (goal <= 0.05)\n' "$ratio_lame"
