#include "playback/refillthread.h"

#include "playback/sdlapi.h"

namespace quillon {

namespace {

std::function<void()>& RefillHook() {
  static std::function<void()> hook;
  return hook;
}

}  // namespace

void TRefillThread::SetRefillHook(std::function<void()> hook) {
  RefillHook() = std::move(hook);
}

TRefillThread::TRefillThread(std::unique_ptr<TRingFill> fill, TSink sink)
    : fill_(std::move(fill)), sink_(std::move(sink)) {}

TRefillThread::~TRefillThread() {
  ending_.store(true, std::memory_order_release);
  events_.Wake();
  if (thread_.joinable()) thread_.join();
}

void TRefillThread::Start() {
  thread_ = std::thread([this] { Run(); });
}

void TRefillThread::Run() {
  // The ring's lock is SDL's: what SDL keeps for this thread goes with it.
  struct TEndSdlThread {
    ~TEndSdlThread() { EndSdlThread(); }
  } end;
  while (!ending_.load(std::memory_order_acquire)) Handle(events_.Wait());
}

void TRefillThread::Handle(uint64_t fired) {
  for (int index = 0; index < kStopEvent; ++index) {
    if (ending_.load(std::memory_order_acquire)) return;
    if (!(fired & (uint64_t{1} << index))) continue;
    try {
      if (RefillHook()) RefillHook()();
      sink_(fill_->SegmentEnded());
    } catch (const std::exception& error) {
      TSegmentReport report;
      report.failure = error.what();
      sink_(report);
    }
  }
  if (fired & (uint64_t{1} << kStopEvent)) {
    TSegmentReport report;
    report.ended = true;
    sink_(report);
  }
}

}  // namespace quillon
