#!/usr/bin/env bash
# Builds the tests of everything that runs on more than one thread (the document and its
# worker, playback, the update checker, the view and the main window) with ThreadSanitizer in
# build-tsan/, and runs them. Any report fails the step. Called by test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

QUILLON_TSAN_TESTS=(document_tests playback_tests update_tests display_tests shellwindow_tests
  commands_tests hurried_tests)

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
[ -f build-tsan/build.ninja ] || CXX=clang++ cmake -S . -B build-tsan -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_TSAN=ON "${launcher[@]}" >/dev/null
nice -n 5 ninja -C build-tsan -j2 "${QUILLON_TSAN_TESTS[@]}"

export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tools/tsan.supp${TSAN_OPTIONS:+:$TSAN_OPTIONS}"
# Only the tests of the programs built here; the 2 GB stores of the scale tests measure the disk,
# not the threads.
suites=$(for name in "${QUILLON_TSAN_TESTS[@]}"; do
  find build-tsan/tests -name "$name" -type f -executable -exec {} --gtest_list_tests \;
done | sed -n 's/^\([^ ].*\)\.$/\1/p' | sort -u | paste -sd'|')
ctest --test-dir build-tsan -j2 --output-on-failure -LE scale -R "^($suites)\\."
