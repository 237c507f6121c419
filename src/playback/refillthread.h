// refillthread: the thread that keeps a playing ring filled.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "playback/notifyevents.h"
#include "playback/ringfill.h"

namespace quillon {

// Waits for a playing ring's segment ends and its stop, refills each segment as soon as it has
// played, and hands a report of each to the sink, on this thread. It never waits for the main
// thread, so a main thread that is held up holds up neither the refills nor the device.
class TRefillThread {
 public:
  // Event i of Events() is the end of segment i; event kStopEvent is the ring's stop.
  static constexpr int kStopEvent = TRingFill::kSegments;
  using TSink = std::function<void(TSegmentReport)>;

  TRefillThread(std::unique_ptr<TRingFill> fill, TSink sink);
  // Ends the thread once the refill it may be doing is written.
  ~TRefillThread();
  TRefillThread(const TRefillThread&) = delete;
  TRefillThread& operator=(const TRefillThread&) = delete;

  // What the ring raises; it stays valid until this object goes.
  TNotifyEvents& Events() { return events_; }
  void Start();
  // A test seam: run on the refill thread before each segment's refill; none by default. Set
  // only while no refill thread runs.
  static void SetRefillHook(std::function<void()> hook);

 private:
  void Run();
  void Handle(uint64_t fired);

  // The thread's alone once it has started.
  std::unique_ptr<TRingFill> fill_;
  TSink sink_;
  TNotifyEvents events_;
  std::atomic<bool> ending_{false};
  std::thread thread_;
};

}  // namespace quillon
