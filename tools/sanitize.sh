#!/usr/bin/env bash
# Builds the engine's tests and the fuzz targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/, then runs the tests and a short pass of every fuzz
# target over its seed corpus. Any sanitizer report fails the step. Called by test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/fuzz_build.sh

# The engine's tests and the settings' storage; the window's tests would need Qt's whole display
# stack instrumented to be worth the time.
QUILLON_SANITIZED_TESTS=(platform_tests codecs_tests document_tests playback_tests
  localization_tests update_tests cli_tests shell_tests diagnostics_tests)
# Tests that measure what instrumentation changes: they expect the faulting instruction within a
# few bytes of its function's start.
QUILLON_UNSANITIZABLE='CrashHandlerTest.AFaultLeavesACrashFileThatTheNextStartSends'
QUILLON_UNSANITIZABLE+='|CrashHandlerTest.AFaultOutsideEveryModuleHasNoModuleText'
# Tests of the installed tree, the desktop, the manual and the notes check files, not code: the
# main build runs them.
QUILLON_UNSANITIZABLE+='|install_.*|X11ClipboardExchange|manual_test|notes_test'
# The editor's window under a window manager and at a screen scale: the window's tests are not built
# here.
QUILLON_UNSANITIZABLE+='|WindowPlaceUnderWindowManager|SystemEndUnderWindowManager|ScreenScaleTest\..*|.*\.AtScaleFactorTwo'

quillon_fuzz_build "${QUILLON_SANITIZED_TESTS[@]}" "${QUILLON_FUZZERS[@]}"
quillon_sanitizer_environment
ctest --test-dir build-fuzz -j2 --output-on-failure -E "_NOT_BUILT\$|^($QUILLON_UNSANITIZABLE)\$"
