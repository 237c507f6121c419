// First complete paint of a spectrogram picture, cold (a new cache) and warm (the same cache
// again), at several zooms, a scroll by 40 pixels from there (what the canvas draws, until it is
// complete), and the whole document's reduced level computed in the background:
//   spectrogram_bench FILE.wav CHANNELS RATE [WIDTH HEIGHT]
// FILE.wav is a canonical 16-bit WAV, which a store is.
#include <sys/resource.h>
#include <algorithm>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "display/spectrumcanvas.h"
#include "spectrum/spectrumcache.h"
#include "spectrum/spectrumpicture.h"

using namespace quillon;

namespace {

double Ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
      .count();
}

// Processor time of every thread of the process so far: on a busy machine it tells the work
// from the waiting for a core.
double ProcessorMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: spectrogram_bench FILE.wav CHANNELS RATE [WIDTH HEIGHT]\n");
    return 2;
  }
  auto store = std::make_shared<TLargeFile>(argv[1], false);
  const auto channels = static_cast<uint16_t>(std::atoi(argv[2]));
  const auto rate = static_cast<uint32_t>(std::atoi(argv[3]));
  const int32_t width = argc > 5 ? std::atoi(argv[4]) : 1600;
  const int32_t height = argc > 5 ? std::atoi(argv[5]) : 500;
  const TSpectrumSource source{store, channels, rate, store->SampleCount() / channels};
  const TSpectrumSettings settings;
  struct TZoom {
    const char* name;
    double frames;
  };
  const double whole = source.frameCount;
  const TZoom zooms[] = {{"whole document", whole},
                         {"1/64 of it", whole / 64},
                         {"1600 columns", 1600.0 * settings.Hop()},
                         {"one pixel a frame", static_cast<double>(width)}};
  std::vector<TSpectrumPainter> painters(channels);
  for (const TZoom& zoom : zooms) {
    const double first = (whole - zoom.frames) / 2;
    const auto near = static_cast<int64_t>(first / settings.Hop());
    const TSpectrumSpan span{first, zoom.frames / width, width};
    const int32_t band = (height - (channels - 1)) / channels;
    // Draws, asks for what is missing and says how many pixel columns are pending; missing
    // tells whether anything was asked for.
    bool missing = false;
    auto ask = [&](TSpectrumCache& cache, std::vector<TSpectrumKey>& keys) {
      missing = !keys.empty();
      if (missing) cache.Request(std::move(keys), near);
    };
    // Every key the picture shows computed (for wide zooms the reduced level, which a cold
    // paint shows from the columns at the pixels' middles until it arrives), then nothing
    // more asked for.
    auto finish = [&](TSpectrumCache& cache, auto&& paint) {
      paint();
      while (missing) {
        cache.WaitUntilIdle();
        paint();
      }
      cache.Request({}, near);
      cache.WaitUntilIdle();
    };
    auto untilComplete = [](auto&& paint) {
      const auto start = std::chrono::steady_clock::now();
      while (paint() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return Ms(start);
    };

    // As the view painted before it kept its canvas: the whole picture drawn at each arrival.
    TSpectrumCache cache(source, settings.window, settings.shape, kSpectrumColumnBudget, 0, false);
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    auto paint = [&] {
      std::vector<TSpectrumKey> keys;
      int32_t pending = 0;
      for (int32_t ch = 0; ch < channels; ++ch)
        pending += painters[ch].Draw(cache, settings, ch, span, band,
                                     pixels.data() + static_cast<size_t>(ch) * (band + 1) * width,
                                     width, keys);
      ask(cache, keys);
      return pending;
    };
    const double cold = untilComplete(paint);
    finish(cache, paint);
    auto start = std::chrono::steady_clock::now();
    paint();
    const double warm = Ms(start);

    // As the view paints now, through its canvas, on a cold cache again: only what waited is
    // drawn again as it arrives. Then drawn whole from the warm cache, then scrolled.
    TSpectrumCache fresh(source, settings.window, settings.shape, kSpectrumColumnBudget, 0, false);
    TSpectrumCanvas canvas;
    auto paintCanvas = [&] {
      std::vector<TSpectrumKey> keys;
      const int32_t pending = canvas.Paint(fresh, settings, painters, keys);
      ask(fresh, keys);
      return pending;
    };
    canvas.Show(first, span.framesPerPixel, width, height, band, channels);
    const double processor = ProcessorMs();
    const double canvasCold = untilComplete(paintCanvas);
    const double canvasProcessor = ProcessorMs() - processor;
    finish(fresh, paintCanvas);
    canvas.Invalidate();
    start = std::chrono::steady_clock::now();
    paintCanvas();
    const double canvasWarm = Ms(start);
    const double scrolled = first + 40 * span.framesPerPixel;
    canvas.Show(scrolled < whole ? scrolled : first - 40 * span.framesPerPixel, span.framesPerPixel,
                width, height, band, channels);
    const double scroll = untilComplete(paintCanvas);
    finish(fresh, paintCanvas);
    std::printf(
        "%-18s first complete paint %dx%d: cold %6.1f ms  warm %5.1f ms;  through the "
        "canvas: cold %6.1f ms (processor %6.1f ms)  warm %5.1f ms  scroll 40 px %5.1f ms\n",
        zoom.name, width, height, cold, warm, canvasCold, canvasProcessor, canvasWarm, scroll);
  }
  TSpectrumCache cache(source, settings.window, settings.shape);
  const auto start = std::chrono::steady_clock::now();
  const double processor = ProcessorMs();
  cache.Request({}, 0);
  cache.WaitUntilIdle();
  const double backgroundProcessor = ProcessorMs() - processor;
  // The shelf holds the reduced level's entries too: the reduced level is not counted twice.
  std::printf(
      "whole document's reduced level in the background: %.2f s (processor %.2f s), %.1f MB "
      "held, %lld columns transformed\n",
      Ms(start) / 1000, backgroundProcessor / 1000,
      std::max(cache.ColumnBytes(), cache.ReducedBytes()) / 1048576.0,
      static_cast<long long>(cache.ComputedColumns()));
  return 0;
}
