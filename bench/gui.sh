#!/usr/bin/env bash
# The editor's own speed, each figure printed beside its goal:
# - full redraws of a 1600 × 500 view of the 50-minute document from the whole document down to
#   below a frame per pixel (goal: each <= 1 ms median, <= 2 ms at QT_SCALE_FACTOR=2);
# - start-up to a painted window without a file, the whole process, against a bare Qt window of
#   the same shape timed alternately in the same X server (goal: median ours / median bare
#   <= 1.3);
# - scrolling and zooming a 2-hour stereo document in the editor's window for a second while it
#   plays through SDL's dummy driver (goal: slowest frame <= 4 ms).
# Usage: bench/gui.sh [runs]   (BENCH_DIR to place the files elsewhere)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
QUILLON_PACKAGES+=(libbenchmark-dev sox xvfb xauth bc)
quillon_setup

runs="${1:-11}"
out="${BENCH_DIR:-$PWD/bench/out}"
mkdir -p "$out/tmp"
export TMPDIR="$out/tmp"
# Every window makes a player: SDL's dummy driver stands in for a sound device.
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF >/dev/null
cmake --build build-release --target waveview_bench startup_bench >/dev/null
cmake --build build-release --target barewindow_bench scroll_bench >/dev/null

wav="$out/long.wav"
if [ ! -s "$wav" ]; then
  echo "Making a 50-minute stereo WAV..." >&2
  sox -n -r 44100 -c 2 -b 16 "$wav" synth 3000 pinknoise vol 0.5
fi

# Goal: 1 ms each, 2 ms on a screen scaled to 200 % with a wave column per device pixel.
for scale in 1 2; do
  echo "== Full redraw of a 1600 x 500 view at screen scale $scale (median of 5 repetitions)"
  QT_SCALE_FACTOR=$scale QUILLON_BENCH_WAV="$wav" build-release/bench/waveview_bench \
    --benchmark_counters_tabular=true | grep -E "^(Benchmark|BM_.*_median)"
done

# Inside one X server, so that its own start-up is not counted; settings and the recovery
# records in scratch folders, so that other runs' records are not swept at each start. The
# settings start empty, so that the window opens at its designed size, the bare window's, and
# not at the size the scrolling run below leaves.
# The editor and the bare window take turns, so that both meet the same load.
echo "== Start-up to a painted window without a file, $runs runs each, alternating"
mkdir -p -m 700 "$out/tmp/runtime"
rm -rf "$out/tmp/config-startup"
XDG_RUNTIME_DIR="$out/tmp/runtime" XDG_CONFIG_HOME="$out/tmp/config-startup" \
  XDG_DATA_HOME="$out/tmp/data" \
  xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  for _ in $(seq "$1"); do
    for program in "$2" "$3"; do
      # From exec to the line the program prints once its window is painted; closing the
      # window is no part of it.
      start=$(date +%s%N)
      "$program" | {
        read -r inside
        end=$(date +%s%N)
        echo "$(basename "$program") $inside $(( (end - start) / 1000000 ))"
        cat >/dev/null
      }
    done
  done' startup "$runs" "$PWD/build-release/bench/startup_bench" \
  "$PWD/build-release/bench/barewindow_bench" |
  awk '{main[$1] = main[$1] " " $2; whole[$1] = whole[$1] " " $3}
    function median(list,   n, v, i, j, t) {
      n = split(list, v, " ")
      for (i = 2; i <= n; ++i) for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; --j) {
        t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
      return v[int((n + 1) / 2)] }
    END {
      ours = median(whole["startup_bench"]); bare = median(whole["barewindow_bench"])
      printf "editor:      median %.1f ms in main, %d ms for the whole process\n",
        median(main["startup_bench"]), ours
      printf "bare window: median %.1f ms in main, %d ms for the whole process\n",
        median(main["barewindow_bench"]), bare
      printf "ratio: %.2f (goal <= 1.3)\n", ours / bare }'

# A 2-hour document while it plays: the window is larger than a common screen's default.
long2h="$out/long2h.wav"
if [ ! -s "$long2h" ]; then
  echo "Making a 2-hour stereo WAV..." >&2
  sox -n -r 44100 -c 2 -b 16 "$long2h" synth 7200 pinknoise vol 0.5
fi
echo "== Scrolling and zooming the 2-hour document for a second while it plays"
XDG_RUNTIME_DIR="$out/tmp/runtime" XDG_CONFIG_HOME="$out/tmp/config" XDG_DATA_HOME="$out/tmp/data" \
  QUILLON_BENCH_WAV="$long2h" xvfb-run -a -s "-screen 0 1920x1080x24" build-release/bench/scroll_bench
