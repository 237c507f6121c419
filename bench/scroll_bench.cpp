// Scrolling and zooming a long document in the editor's own window while it plays: for one
// second the scroll bar, the wheel and the zoom commands move the view, one move per frame, and
// each frame is timed from the move to the end of the events it caused (the view's redraw, its
// paint and whatever else ran meanwhile: playback ticks, the level meter, the status bar).
// Usage: SDL_AUDIODRIVER=dummy QUILLON_BENCH_WAV=long.wav scroll_bench (QUILLON_BENCH_FRAMES=1
// lists every frame: clock, processor and move times, frames per pixel, the move;
// QUILLON_BENCH_VIEW=both or spectrogram shows the spectrogram too, or alone)
#include <time.h>
#include <QAbstractSlider>
#include <QAction>
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "shell/main.h"

namespace {

using Clock = std::chrono::steady_clock;
using quillon::Tmainform;
using quillon::TWaveView;

double Ms(Clock::duration span) {
  return std::chrono::duration<double, std::milli>(span).count();
}

// The main thread's processor time: on a busy machine it tells work from waiting for a core.
double ThreadMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Serves the window's events until done holds or the deadline passes.
bool WaitFor(const std::function<bool()>& done, std::chrono::seconds deadline) {
  const auto end = Clock::now() + deadline;
  while (!done()) {
    if (Clock::now() > end) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// A wheel turned over the view: the view passes it on and the window zooms or scrolls.
void Wheel(Tmainform& form, QPoint delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  const TWaveView& view = *form.View();
  const QPointF at = view.mapTo(&form, QPointF(view.width() / 2.0, view.height() / 2.0));
  QWheelEvent event(at, form.mapToGlobal(at), QPoint(), delta, Qt::NoButton, modifiers,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(&form, &event);
}

struct TMove {
  const char* name;
  std::function<void()> run;
};

// One round trip: in from the whole document to a few frames per pixel, along the document by
// every means the user has, and out again.
std::vector<TMove> Round(Tmainform& form) {
  auto* scroll = form.findChild<QScrollBar*>("Scroll");
  auto* zoomIn = form.findChild<QAction*>("ZoomInAction");
  auto* zoomOut = form.findChild<QAction*>("ZoomOutAction");
  std::vector<TMove> moves;
  for (int i = 0; i < 8; ++i)
    moves.push_back({"zoom in (Ctrl+1)", [zoomIn] { zoomIn->trigger(); }});
  for (int i = 0; i < 8; ++i)
    moves.push_back({"wheel zoom in", [&form] { Wheel(form, QPoint(0, 120)); }});
  for (int i = 0; i < 4; ++i) {
    moves.push_back({"scroll bar arrow",
                     [scroll] { scroll->triggerAction(QAbstractSlider::SliderSingleStepAdd); }});
    moves.push_back({"scroll bar page",
                     [scroll] { scroll->triggerAction(QAbstractSlider::SliderPageStepAdd); }});
    moves.push_back({"scroll bar thumb drag", [scroll] {
                       scroll->setSliderDown(true);
                       scroll->setSliderPosition(scroll->value() + scroll->pageStep() / 3);
                       scroll->setSliderDown(false);
                     }});
    moves.push_back({"wheel sideways", [&form] { Wheel(form, QPoint(-120, 0)); }});
    moves.push_back(
        {"wheel with Shift", [&form] { Wheel(form, QPoint(0, 120), Qt::ShiftModifier); }});
  }
  for (int i = 0; i < 8; ++i)
    moves.push_back({"wheel zoom out", [&form] { Wheel(form, QPoint(0, -120)); }});
  for (int i = 0; i < 8; ++i)
    moves.push_back({"zoom out (Ctrl+3)", [zoomOut] { zoomOut->trigger(); }});
  return moves;
}

struct TFrame {
  double ms = 0;
  double processorMs = 0;
  double moveMs = 0;
  // The move's own processor time: the view's full redraw and the scroll bar.
  double moveProcessorMs = 0;
  const char* name = "";
  uint32_t viewStart = 0;
  uint32_t viewLength = 0;
  double framesPerPixel = 0;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const char* wav = std::getenv("QUILLON_BENCH_WAV");
  if (!wav) {
    std::fprintf(stderr, "QUILLON_BENCH_WAV names the document to scroll through\n");
    return 2;
  }
  QApplication app(argc, argv);
  Tmainform form({wav});
  form.show();
  form.setGeometry(40, 40, 1640, 780);
  if (!QTest::qWaitForWindowExposed(&form, 5000)) {
    std::fprintf(stderr, "the window was not shown\n");
    return 1;
  }
  quillon::Twavefile& document = *form.Document();
  if (!WaitFor([&] { return document.Loaded() && !document.Busy(); }, std::chrono::seconds(300))) {
    std::fprintf(stderr, "%s did not open\n", wav);
    return 1;
  }
  TWaveView& view = *form.View();
  if (!view.HasPlayer()) {
    std::fprintf(stderr, "no sound device (SDL_AUDIODRIVER=dummy gives one)\n");
    return 1;
  }
  if (const char* shown = std::getenv("QUILLON_BENCH_VIEW")) {
    const std::string mode = shown;
    if (auto* action = form.findChild<QAction*>(mode == "both"          ? "BothModeAction"
                                                : mode == "spectrogram" ? "SpectrogramModeAction"
                                                                        : "WaveformModeAction"))
      action->trigger();
    QApplication::processEvents();
  }
  form.findChild<QAction*>("PlayAction")->trigger();
  if (!WaitFor([&] { return view.Playing(); }, std::chrono::seconds(10))) {
    std::fprintf(stderr, "playback did not start\n");
    return 1;
  }
  QApplication::processEvents();

  const std::vector<TMove> moves = Round(form);
  std::vector<TFrame> frames;
  const auto end = Clock::now() + std::chrono::seconds(1);
  for (size_t i = 0; Clock::now() < end; ++i) {
    const TMove& move = moves[i % moves.size()];
    const auto start = Clock::now();
    const double processor = ThreadMs();
    move.run();
    const auto moved = Clock::now();
    const double moveProcessor = ThreadMs() - processor;
    QApplication::processEvents();
    frames.push_back({Ms(Clock::now() - start), ThreadMs() - processor, Ms(moved - start),
                      moveProcessor, move.name, view.ViewStart(), view.ViewLength(),
                      view.FramesPerPixel()});
  }
  const bool played = view.Playing();
  form.findChild<QAction*>("StopAction")->trigger();

  std::vector<double> times;
  std::vector<double> processorTimes;
  for (const TFrame& frame : frames) {
    times.push_back(frame.ms);
    processorTimes.push_back(frame.processorMs);
  }
  const TFrame& slowest = *std::max_element(
      frames.begin(), frames.end(), [](const TFrame& a, const TFrame& b) { return a.ms < b.ms; });
  // The view's own full redraw at the slowest frame's place, which the move did once.
  view.SetView(slowest.viewStart, slowest.viewLength);
  std::vector<double> redraws;
  for (int i = 0; i < 9; ++i) {
    const auto start = Clock::now();
    view.Repaint();
    redraws.push_back(Ms(Clock::now() - start));
  }
  std::printf("%zu frames in 1 s of playback (%s) in a %d x %d view of %.0f minutes\n",
              frames.size(), played ? "still playing" : "playback had stopped", view.width(),
              view.height(), document.FrameCount() / 60.0 / document.SampleRate());
  std::printf("slowest frame: %.2f ms (goal <= 4 ms), median %.2f ms\n", slowest.ms, Median(times));
  const TFrame& busiest = *std::max_element(
      frames.begin(), frames.end(),
      [](const TFrame& a, const TFrame& b) { return a.processorMs < b.processorMs; });
  std::printf(
      "main thread's processor time per frame: slowest %.2f ms (%.2f ms of it in the "
      "move, %s at %.1f frames per pixel), median %.2f ms\n",
      busiest.processorMs, busiest.moveProcessorMs, busiest.name, busiest.framesPerPixel,
      Median(processorTimes));
  std::printf(
      "slowest frame was %s at %.1f frames per pixel: %.2f ms in the move (%.2f ms "
      "processor time in the frame); the view's full redraw there takes %.2f ms\n",
      slowest.name, slowest.framesPerPixel, slowest.moveMs, slowest.processorMs, Median(redraws));
  if (std::getenv("QUILLON_BENCH_FRAMES"))
    for (const TFrame& frame : frames)
      std::printf("%8.2f %8.2f %8.2f %8.2f %10.1f  %s\n", frame.ms, frame.processorMs, frame.moveMs,
                  frame.moveProcessorMs, frame.framesPerPixel, frame.name);
  return played ? 0 : 1;
}
