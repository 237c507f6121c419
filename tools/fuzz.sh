#!/usr/bin/env bash
# Usage: tools/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build-fuzz/ and runs each for the given time (300 s by default), all of them unless named
# (open, clip, langfile, constants, version, parsems, settings, tags, markers). New inputs grow a scratch copy of
# the seed corpus in build-fuzz/corpus-long/, never the repository's. A fault leaves its input
# as build-fuzz/crash-*; add it to fuzz/corpus/<target>/ once it is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/fuzz_build.sh

seconds=${1:-300}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${QUILLON_FUZZERS[@]%_fuzzer}")

quillon_fuzz_build "${targets[@]/%/_fuzzer}"
quillon_sanitizer_environment

failed=()
for target in "${targets[@]}"; do
  scratch=build-fuzz/corpus-long/$target
  mkdir -p "$scratch"
  echo "== $target: ${seconds} s"
  log=build-fuzz/corpus-long/$target.log
  status=0
  (cd build-fuzz && "fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=30 \
    -rss_limit_mb=2048 -print_final_stats=1 "corpus-long/$target" "../fuzz/corpus/$target") \
    >"$log" 2>&1 || status=$?
  grep -E '^(stat::number_of_executed_units|SUMMARY|fuzz check|artifact_prefix|Test unit written)' \
    "$log" || true
  [ "$status" = 0 ] || failed+=("$target (see $log)")
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Faults found by: ${failed[*]}" >&2
  exit 1
fi
echo "No faults found."
