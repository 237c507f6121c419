// Full redraws of a 1600 × 500 waveform view of a long document at every kind of zoom: the whole
// document and a wide zoom (the peak index's coarse and fine levels), 400, 50, 2 and 1 frames per
// pixel (the samples column by column) and 0.2 frames per pixel (single frames with markers).
// Each reports its goal beside it: 1 ms, or 2 ms on a screen scaled to 200 % (QT_SCALE_FACTOR=2),
// where the wave has a column per device pixel. Usage: QUILLON_BENCH_WAV=long.wav waveview_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "platform/messagebox.h"
#include "platform/taskloop.h"

namespace {

using quillon::TWaveView;

constexpr int kWidth = 1600;
constexpr int kHeight = 500;

quillon::Twavefile* document = nullptr;

void RepaintAt(benchmark::State& state, double framesPerPixel, bool cursorInView = false) {
  TWaveView view;
  view.resize(kWidth, kHeight);
  view.AttachDocument(document);
  const uint32_t frames = static_cast<uint32_t>(document->FrameCount());
  const int area = kWidth - quillon::RightMargin;
  const uint32_t length =
      framesPerPixel <= 0 ? frames : static_cast<uint32_t>(area * framesPerPixel);
  view.SetView(length >= frames ? 0 : (frames - length) / 2, std::min(length, frames));
  if (cursorInView) view.SetCursorPos(view.ViewStart() + view.ViewLength() / 2);
  for (auto _ : state) view.Repaint();
  state.counters["frames_per_pixel"] = static_cast<double>(view.ViewLength()) / area;
  state.counters["device_ratio"] = view.devicePixelRatioF();
  state.counters["goal_ms"] = view.devicePixelRatioF() > 1 ? 2 : 1;
}

void BM_RepaintFullZoom(benchmark::State& state) {
  RepaintAt(state, 0);
}
void BM_Repaint20000FramesPerPixel(benchmark::State& state) {
  RepaintAt(state, 20000);
}
void BM_Repaint400FramesPerPixel(benchmark::State& state) {
  RepaintAt(state, 400);
}
// The cursor drawn over the frame keeps a copy of the frame without it.
void BM_Repaint400FramesPerPixelWithTheCursor(benchmark::State& state) {
  RepaintAt(state, 400, true);
}
void BM_Repaint50FramesPerPixel(benchmark::State& state) {
  RepaintAt(state, 50);
}
void BM_Repaint2FramesPerPixel(benchmark::State& state) {
  RepaintAt(state, 2);
}
void BM_RepaintOneFramePerPixel(benchmark::State& state) {
  RepaintAt(state, 1);
}
void BM_RepaintFifthOfAFramePerPixel(benchmark::State& state) {
  RepaintAt(state, 0.2);
}

// A marker added and taken away again over a view at 400 frames per pixel with a hundred
// markers in it: only the marker's band is drawn again, beside the full redraw with them all.
void MarkerAt(benchmark::State& state, bool full) {
  TWaveView view;
  view.resize(kWidth, kHeight);
  view.AttachDocument(document);
  const int area = kWidth - quillon::RightMargin;
  const auto length = std::min<uint32_t>(area * 400, document->FrameCount());
  view.SetView(0, length);
  quillon::TMarkerList without;
  for (uint32_t i = 0; i < 100; ++i) without.AddMarker({i * (length / 100), "Marker"});
  quillon::TMarkerList with = without;
  with.AddMarker({length / 2 + 77, "Added"});
  document->SetMarkers(without);
  view.Repaint();
  bool added = false;
  for (auto _ : state) {
    added = !added;
    document->SetMarkers(added ? with : without);
    if (full)
      view.Repaint();
    else
      view.MarksChanged();
  }
  state.counters["full_draws"] = static_cast<double>(view.FullDraws());
  document->SetMarkers({});
}
void BM_MarkerChangeRedrawsItsBand(benchmark::State& state) {
  MarkerAt(state, false);
}
void BM_MarkerChangeWithAFullRedraw(benchmark::State& state) {
  MarkerAt(state, true);
}

#define QUILLON_REDRAW_BENCHMARK(name) \
  BENCHMARK(name)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly()
QUILLON_REDRAW_BENCHMARK(BM_RepaintFullZoom);
QUILLON_REDRAW_BENCHMARK(BM_Repaint20000FramesPerPixel);
QUILLON_REDRAW_BENCHMARK(BM_Repaint400FramesPerPixel);
QUILLON_REDRAW_BENCHMARK(BM_Repaint400FramesPerPixelWithTheCursor);
QUILLON_REDRAW_BENCHMARK(BM_Repaint50FramesPerPixel);
QUILLON_REDRAW_BENCHMARK(BM_Repaint2FramesPerPixel);
QUILLON_REDRAW_BENCHMARK(BM_RepaintOneFramePerPixel);
QUILLON_REDRAW_BENCHMARK(BM_RepaintFifthOfAFramePerPixel);
QUILLON_REDRAW_BENCHMARK(BM_MarkerChangeRedrawsItsBand);
QUILLON_REDRAW_BENCHMARK(BM_MarkerChangeWithAFullRedraw);

}  // namespace

int main(int argc, char** argv) {
  const char* path = std::getenv("QUILLON_BENCH_WAV");
  if (!path) {
    std::fprintf(stderr, "set QUILLON_BENCH_WAV to a long WAV file\n");
    return 2;
  }
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  quillon::TTaskLoop loop;
  quillon::SetMainThread(&loop);
  quillon::TStderrMessageBoxes boxes;
  quillon::SetMessageBoxes(&boxes);
  auto wave = std::make_unique<quillon::Twavefile>();
  wave->Open(path);
  loop.RunUntil([&] { return !wave->Busy(); }, std::chrono::minutes(10));
  if (!wave->Loaded()) {
    std::fprintf(stderr, "could not open %s\n", path);
    return 1;
  }
  document = wave.get();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  wave->Close();
  quillon::SetMessageBoxes(nullptr);
  quillon::SetMainThread(nullptr);
  return 0;
}
