// What the call stack of every exception costs a throw: an ordinary exception (traced) against a
// silent abort (never traced), both thrown through the same frames and caught.
#include <benchmark/benchmark.h>

#include "platform/error.h"

namespace {

template <typename TError>
[[gnu::noinline]] int ThrowThrough(int depth) {
  if (depth == 0) {
    if constexpr (std::is_same_v<TError, quillon::EAbort>)
      throw quillon::EAbort();
    else
      throw TError("failed");
  }
  const int result = ThrowThrough<TError>(depth - 1);
  benchmark::DoNotOptimize(result);
  return result + 1;
}

template <typename TError>
void BM_ThrowAndCatch(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  for (auto _ : state) {
    try {
      ThrowThrough<TError>(depth);
    } catch (const quillon::Exception& error) {
      benchmark::DoNotOptimize(&error);
    }
  }
}

BENCHMARK(BM_ThrowAndCatch<quillon::Exception>)->Arg(4)->Arg(32)->Arg(128);
BENCHMARK(BM_ThrowAndCatch<quillon::EAbort>)->Arg(4)->Arg(32)->Arg(128);

}  // namespace

BENCHMARK_MAIN();
