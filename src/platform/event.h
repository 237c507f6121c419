#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace quillon {

// A manual- or auto-reset event with the semantics of a Windows event object.
class TEvent {
 public:
  TEvent(bool manualReset, bool initiallySet) : manual_(manualReset), set_(initiallySet) {}
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;

  void Set();
  void Reset();
  void Wait();
  // False when the time ran out before the event was set.
  bool WaitFor(std::chrono::milliseconds timeout);
  bool IsSet() const;

 private:
  bool manual_;
  bool set_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
};

// Signalled while nothing plays. The player resets it while it streams; the document's worker
// waits for it before every operation so that audio is never rewritten under the player.
TEvent& PlaybackIdleEvent();

}  // namespace quillon
