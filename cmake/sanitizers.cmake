# Instrumented builds for hostile-input testing; both need clang and live in their own build folder.
#   QUILLON_SANITIZE: AddressSanitizer and UndefinedBehaviorSanitizer; any report ends the process.
#   QUILLON_FUZZ: coverage for libFuzzer in every library, and the fuzz targets under fuzz/.
option(QUILLON_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(QUILLON_FUZZ "Build the libFuzzer targets (clang only)" OFF)
#   QUILLON_TSAN: ThreadSanitizer, for the tests of everything that runs on more than one thread.
option(QUILLON_TSAN "Build with ThreadSanitizer" OFF)

if((QUILLON_SANITIZE OR QUILLON_FUZZ) AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "QUILLON_SANITIZE and QUILLON_FUZZ need clang (CMAKE_CXX_COMPILER=clang++)")
endif()

if(QUILLON_SANITIZE)
  set(quillon_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  add_compile_options(${quillon_sanitizers})
  add_link_options(${quillon_sanitizers})
endif()

if(QUILLON_TSAN)
  set(quillon_tsan -fsanitize=thread -fno-omit-frame-pointer)
  add_compile_options(${quillon_tsan})
  add_link_options(${quillon_tsan})
endif()

if(QUILLON_SANITIZE OR QUILLON_TSAN)
  # A report names each frame's function, file and line, which line tables alone give; without
  # the variables' descriptions the instrumented trees compile in a sixth less time.
  add_compile_options($<$<CONFIG:RelWithDebInfo>:-gline-tables-only>)
endif()

if(QUILLON_FUZZ)
  # The fuzz targets alone link libFuzzer's main (-fsanitize=fuzzer); the rest only carry coverage.
  set(QUILLON_FUZZ_COVERAGE -fsanitize=fuzzer-no-link)
  add_compile_options(${QUILLON_FUZZ_COVERAGE})
endif()

# quillon_without_fuzz_coverage(): the targets of the calling folder and those below it carry no
# fuzzer coverage; only what a fuzz target runs needs it, and it costs a tenth of each compile.
function(quillon_without_fuzz_coverage)
  if(QUILLON_FUZZ)
    get_directory_property(options COMPILE_OPTIONS)
    list(REMOVE_ITEM options ${QUILLON_FUZZ_COVERAGE})
    set_directory_properties(PROPERTIES COMPILE_OPTIONS "${options}")
  endif()
endfunction()
