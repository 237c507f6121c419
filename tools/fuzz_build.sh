#!/usr/bin/env bash
# Sourced by tools/sanitize.sh and tools/fuzz.sh: the sanitized clang build in build-fuzz/.
QUILLON_FUZZERS=(open_fuzzer clip_fuzzer langfile_fuzzer constants_fuzzer version_fuzzer
  parsems_fuzzer settings_fuzzer tags_fuzzer markers_fuzzer mp3frames_fuzzer)

quillon_fuzz_build() {
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  [ -f build-fuzz/build.ninja ] || CXX=clang++ cmake -S . -B build-fuzz -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_SANITIZE=ON -DQUILLON_FUZZ=ON \
    "${launcher[@]}" >/dev/null
  nice -n 5 ninja -C build-fuzz -j2 "$@"
}

# Every report ends the process with a failure, with the stack symbolised.
quillon_sanitizer_environment() {
  export ASAN_OPTIONS="abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
}
