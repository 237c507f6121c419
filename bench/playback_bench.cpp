// Playback on SDL's dummy driver: how long Start takes, and the main thread's share of a core
// while a document plays (the loop's own waking included, so an upper bound for the editor).
#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "codecs/wavheader.h"
#include "document/wavfile.h"
#include "platform/config.h"
#include "platform/taskloop.h"
#include "playback/playunit.h"

namespace quillon {
namespace {

constexpr uint32_t kRate = 44100;
constexpr uint16_t kChannels = 2;
constexpr uint32_t kFrames = kRate * 4;

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// A 4-second stereo tone opened as a document, with the bench's thread as the main thread.
class TBenchDocument {
 public:
  TBenchDocument() {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    folder_ =
        std::filesystem::temp_directory_path() / ("quillon-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_);
    config.tempfolder = folder_.string() + "/";
    SetMainThread(&loop);
    std::string path = (folder_ / "tone.wav").string();
    WriteTone(path);
    document.Open(path);
    loop.RunUntil([this] { return !document.Busy(); }, std::chrono::minutes(1));
  }
  ~TBenchDocument() {
    document.Close();
    SetMainThread(nullptr);
    std::filesystem::remove_all(folder_);
  }

  TWaveFormatEx Format() const {
    return {WAVE_FORMAT_PCM, kChannels, kRate, kRate * kChannels * 2, kChannels * 2, 16, 0};
  }

  TTaskLoop loop;
  Twavefile document;

 private:
  static void WriteTone(const std::string& path) {
    std::vector<int16_t> samples(size_t{kFrames} * kChannels);
    for (size_t i = 0; i < samples.size(); ++i)
      samples[i] = static_cast<int16_t>(8000 * std::sin(i / 2 * 2 * M_PI * 440 / kRate));
    TWavHeader header = MakeWavHeader(kChannels, kRate, samples.size() * 2);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(&header, sizeof header, 1, file);
    std::fwrite(samples.data(), 2, samples.size(), file);
    std::fclose(file);
  }

  std::filesystem::path folder_;
};

void BM_Start(benchmark::State& state) {
  TBenchDocument bench;
  TPlayer player;
  for (auto _ : state) {
    player.Prepare(&bench.document, bench.Format(), 0, kFrames);
    auto begin = std::chrono::steady_clock::now();
    player.Start();
    auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
    player.Stop();
  }
}
BENCHMARK(BM_Start)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_MainThreadShareWhilePlaying(benchmark::State& state) {
  TBenchDocument bench;
  TPlayer player;
  double cpu = 0;
  double wall = 0;
  for (auto _ : state) {
    bool stopped = false;
    player.OnStatus = [&](bool playing) { stopped = !playing; };
    player.Prepare(&bench.document, bench.Format(), 0, int64_t{kRate} * 2);
    double cpuBefore = ThreadCpuSeconds();
    auto begin = std::chrono::steady_clock::now();
    player.Start();
    bench.loop.RunUntil([&] { return stopped; }, std::chrono::minutes(1));
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    cpu += ThreadCpuSeconds() - cpuBefore;
  }
  state.counters["main_cpu_pct"] = 100.0 * cpu / wall;
}
BENCHMARK(BM_MainThreadShareWhilePlaying)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace quillon

BENCHMARK_MAIN();
