// How soon Find Silences answers a move of its sliders on a one-hour stereo document at 44.1 kHz
// (the goal: within 50 ms): the walk over the peak index and the edges read from the store.
//   ninja -C build silences_bench && build/bench/silences_bench
#include <benchmark/benchmark.h>

#include <filesystem>

#include "analysis/silencechoices.h"
#include "document/audiostate.h"

namespace {

using namespace quillon;

constexpr uint32_t kRate = 44100;
constexpr uint32_t kFrames = 3600 * kRate;

// Speech-like: 3 s of sound, then 0.8 s of silence, over and over; the store reads as zeros
// (a new store's blocks), so every edge is looked for in its block's samples to its end.
const TAudioState& OneHour() {
  static const TAudioState state = [] {
    TAudioState made;
    const std::string folder = std::filesystem::temp_directory_path().string();
    const std::string path = folder + "/quillon-silences-bench.wav";
    made.samples = std::make_shared<TLargeFile>(path, true, 44 + 4ull * kFrames, folder);
    std::filesystem::remove(path);
    made.channels = 2;
    made.sampleRate = kRate;
    made.frameCount = kFrames;
    const uint64_t blocks = (kFrames + kIndexBlockFrames - 1) / kIndexBlockFrames;
    made.peaks.index.resize(blocks * 2);
    for (uint64_t block = 0; block < blocks; ++block) {
      const bool loud = (block * kIndexBlockFrames) % (38 * kRate / 10) < 3 * kRate;
      for (int c = 0; c < 2; ++c)
        made.peaks.index[block * 2 + c] = loud ? Tindextype{12000, -12000} : Tindextype{0, 0};
    }
    return made;
  }();
  return state;
}

void FindSilencesInAnHour(benchmark::State& state) {
  const TAudioState& audio = OneHour();
  TSilenceSearch search;
  size_t found = 0;
  for (auto _ : state) {
    // Each round a slider step: the threshold moves by 1 dB.
    search.thresholdDb = search.thresholdDb == -50 ? -49 : -50;
    found = FindPaddedSilences(audio, search, {0, kFrames}).size();
    benchmark::DoNotOptimize(found);
  }
  state.counters["silences"] = static_cast<double>(found);
  state.counters["goal_ms"] = 50;
}
BENCHMARK(FindSilencesInAnHour)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace

BENCHMARK_MAIN();
