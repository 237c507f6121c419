// Playback on SDL's dummy driver: how long Start takes, and the main thread's share of a core
// while a document plays (the loop's own waking included, so an upper bound for the editor).
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "codecs/wavheader.h"
#include "document/wavfile.h"
#include "platform/config.h"
#include "platform/taskloop.h"
#include "playback/playunit.h"
#include "playback/previewsource.h"

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

// A preview's change heard: a loop plays through the disk driver at its real-time pace while the
// effect switches between 100 % and 50 % each time a quarter second has played; every switch is
// found in what the device received and counted from the position reported when it was made (at
// most the cursor's, so the figure is an upper bound). Goal: 100 ms.
void BM_PreviewChangeHeard(benchmark::State& state) {
  const std::string received =
      (std::filesystem::temp_directory_path() / ("quillon-preview-" + std::to_string(getpid())))
          .string();
  std::vector<double> heard;
  for (auto _ : state) {
    TBenchDocument bench;
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", received.c_str(), 1);
    auto player = std::make_unique<TPlayer>();
    // At full volume the device receives the samples unchanged.
    player->SetVolume(0);
    auto source = MakeLoopSource(bench.document.State(), 0, kFrames);
    std::vector<int64_t> changedAt;
    int64_t next = kRate / 4;
    bool halved = false;
    player->OnProcess = [&](int64_t at) {
      if (at < next) return;
      halved = !halved;
      source->SetEffect(halved ? TPreviewEffect::Amplify(50) : TPreviewEffect());
      changedAt.push_back(at);
      next = at + kRate / 4;
    };
    player->Prepare(&bench.document, bench.Format(), source, source->PlayFrames());
    player->Start();
    bench.loop.RunUntil([&] { return changedAt.size() >= 12; }, std::chrono::minutes(1));
    player.reset();
    std::FILE* file = std::fopen(received.c_str(), "rb");
    std::vector<int16_t> got(size_t{kFrames} * kChannels * 4);
    got.resize(file ? std::fread(got.data(), 2, got.size(), file) : 0);
    if (file) std::fclose(file);
    // The tone's sample k, as the effect in force makes it: halved (1), not (-1), either (0).
    std::vector<int16_t> tone(size_t{kFrames} * kChannels);
    for (size_t i = 0; i < tone.size(); ++i)
      tone[i] = static_cast<int16_t>(8000 * std::sin(i / 2 * 2 * M_PI * 440 / kRate));
    size_t lead = 0, first = 0;
    while (tone[lead] == 0) ++lead;
    while (first < got.size() && got[first] == 0) ++first;
    first = first >= lead ? first - lead : 0;
    auto halvedAt = [&](size_t k) {
      const int16_t original = tone[(k - first) % tone.size()];
      const int16_t half = static_cast<int16_t>(original * 0.5);
      return got[k] == original ? (got[k] == half ? 0 : -1) : (got[k] == half ? 1 : 0);
    };
    for (size_t i = 0; i < changedAt.size(); ++i) {
      const int to = i % 2 == 0 ? 1 : -1;
      size_t k = first + static_cast<size_t>(changedAt[i]) * kChannels;
      while (k < got.size() && halvedAt(k) != to) ++k;
      if (k < got.size())
        heard.push_back(((k - first) / kChannels - changedAt[i]) * 1000.0 / kRate);
    }
  }
  std::remove(received.c_str());
  std::sort(heard.begin(), heard.end());
  state.counters["changes"] = static_cast<double>(heard.size());
  state.counters["heard_ms_median"] = heard.empty() ? -1 : heard[heard.size() / 2];
  state.counters["heard_ms_max"] = heard.empty() ? -1 : heard.back();
  state.counters["goal_ms"] = 100;
}
BENCHMARK(BM_PreviewChangeHeard)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace quillon

BENCHMARK_MAIN();
