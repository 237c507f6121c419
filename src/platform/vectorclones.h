#pragma once

// Marks a sample loop to be compiled twice, for AVX2 and for the baseline, the better chosen at
// load time: the program runs on any x86-64 and still uses wide vectors where there are some.
#if defined(__clang__) || !defined(__x86_64__)
// clang cannot clone templates for several targets; its builds (sanitizers, fuzzing) need no speed.
#define QUILLON_VECTOR_CLONES
#else
#define QUILLON_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif
