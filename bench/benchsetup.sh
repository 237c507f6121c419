#!/usr/bin/env bash
# Sourced by the benchmark scripts: the packages they need, the folder for their files and the
# quillon-cli they time. bench_setup DEFAULT_RUNS [RUNS] [EXTRA PACKAGES...] sets runs, out and
# cli (a Release build in build-release/ unless QUILLON_CLI names another).
bench_setup() {
  local default_runs="$1"
  runs="${2:-$default_runs}"
  shift 2 || shift $#
  source tools/setup.sh
  QUILLON_PACKAGES+=("$@")
  quillon_setup
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
}

# The median of the numbers on standard input, one a line.
median() {
  sort -g | awk '{a[NR]=$1} END {printf "%.3f", (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'
}
