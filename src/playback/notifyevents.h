#pragma once

#include <atomic>
#include <cstdint>
#include <semaphore>

namespace quillon {

// Up to 64 auto-reset events that one thread waits for. Raise never blocks and never allocates,
// so the audio callback may call it.
class TNotifyEvents {
 public:
  // Sets the events whose bits are in mask and wakes the waiting thread.
  void Raise(uint64_t mask) {
    if (mask == 0) return;
    fired_.fetch_or(mask, std::memory_order_acq_rel);
    wake_.release();
  }
  // Wakes the waiting thread without setting an event.
  void Wake() { wake_.release(); }
  // Blocks until woken; returns the events set since the last call and resets them.
  uint64_t Wait() {
    wake_.acquire();
    return fired_.exchange(0, std::memory_order_acq_rel);
  }

 private:
  std::atomic<uint64_t> fired_{0};
  std::counting_semaphore<> wake_{0};
};

}  // namespace quillon
