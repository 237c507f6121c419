#!/usr/bin/env bash
# The editor's own speed: full redraws of a 1600 × 500 view of the 50-minute document at seven
# zooms and two screen scales (goals beside each) and start-up to a shown window without a file
# (goal: under 300 ms median). Usage: bench/gui.sh [runs]   (BENCH_DIR to place the files elsewhere)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
QUILLON_PACKAGES+=(libbenchmark-dev sox xvfb xauth bc)
quillon_setup

runs="${1:-11}"
out="${BENCH_DIR:-$PWD/bench/out}"
mkdir -p "$out/tmp"
export TMPDIR="$out/tmp"

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF >/dev/null
cmake --build build-release --target waveview_bench startup_bench >/dev/null

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

# Inside one X server, so that its own start-up is not counted; settings in a scratch folder.
echo "== Start-up to a shown window without a file, $runs runs"
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
mkdir -p -m 700 "$out/tmp/runtime"
XDG_RUNTIME_DIR="$out/tmp/runtime" XDG_CONFIG_HOME="$out/tmp/config" xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  for _ in $(seq "$1"); do
    start=$(date +%s%N)
    inside=$("$2")
    end=$(date +%s%N)
    echo "$inside $(( (end - start) / 1000000 ))"
  done' startup "$runs" "$PWD/build-release/bench/startup_bench" |
  sort -n -k2 | awk '{a[NR]=$1; b[NR]=$2} END {m=int((NR+1)/2);
    printf "median: %.1f ms in main, %d ms for the whole process\n", a[m], b[m]}'
