// What markers cost an edit: the lists' copy and move for a delete, an insert and a reverse of a
// document with a hundred thousand markers and as many regions, beside the copy alone.
#include <benchmark/benchmark.h>

#include "document/markers.h"

namespace {

using namespace quillon;

TMarkerList ManyMarkers(int64_t count) {
  TMarkerList list;
  for (int64_t i = 0; i < count; ++i) {
    list.markers.push_back({i * 441, "Marker " + std::to_string(i)});
    list.regions.push_back({i * 441, i * 441 + 300, "Region " + std::to_string(i)});
  }
  return list;
}

template <typename TFollow>
void Run(benchmark::State& state, TFollow follow) {
  const TMarkerList source = ManyMarkers(state.range(0));
  const int64_t end = state.range(0) * 441;
  for (auto _ : state) {
    TMarkerList list = source;
    follow(list, end);
    benchmark::DoNotOptimize(list.markers.data());
  }
}

void BM_CopyOnly(benchmark::State& state) {
  Run(state, [](TMarkerList&, int64_t) {});
}
void BM_Delete(benchmark::State& state) {
  Run(state, [](TMarkerList& list, int64_t end) { FollowRemove(list, end / 3, end / 2); });
}
void BM_Insert(benchmark::State& state) {
  Run(state, [](TMarkerList& list, int64_t end) { FollowInsert(list, end / 3, 44100); });
}
void BM_Reverse(benchmark::State& state) {
  Run(state, [](TMarkerList& list, int64_t end) { FollowReverse(list, 0, end); });
}

BENCHMARK(BM_CopyOnly)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Delete)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Insert)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reverse)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
