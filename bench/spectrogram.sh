#!/usr/bin/env bash
# The spectrogram's first complete paint of 1600x500 on a 50-minute stereo 44.1 kHz document,
# with the column cache cold and warm, at several zooms; and the whole document computed in the
# background. BUILD names the build folder (default build-release, made as a Release build).
#   bench/spectrogram.sh [MINUTES]
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-50}"
build="${BUILD:-build-release}"
out="${BENCH_DIR:-$PWD/bench/out}"
mkdir -p "$out"
command -v sox >/dev/null || { echo "sox is needed: apt-get install sox" >&2; exit 1; }
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target spectrogram_bench >/dev/null
wav="$out/spectrogram-${minutes}min.wav"
# A sweep on one channel and pink noise on the other, so that columns are not all alike.
[ -f "$wav" ] || sox -n -r 44100 -c 2 -b 16 "$wav" synth "$((minutes * 60))" sine 100-8000 pinknoise \
  vol 0.5 2>/dev/null
# The first run reads the file from the disk: the figures are from a second one.
"$build/bench/spectrogram_bench" "$wav" 2 44100 1600 500 >/dev/null
"$build/bench/spectrogram_bench" "$wav" 2 44100 1600 500
