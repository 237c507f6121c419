#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "document/largefile.h"
#include "platform/threadsafety.h"

namespace quillon {

// The main thread's sliding window over a store: single samples read through a memory-mapped
// window of at most kMaxWindowBytes, starting at a multiple of AllocationGranularity, that moves
// to wherever the next read lies. The view reads through it while a worker reads the same store
// through the file; the window's place is the main thread's alone, and the compiler holds every
// use of it to main-thread code. Keeps its store alive.
class TStoreWindow {
 public:
  explicit TStoreWindow(std::shared_ptr<const TLargeFile> store);
  ~TStoreWindow();
  TStoreWindow(const TStoreWindow&) = delete;
  TStoreWindow& operator=(const TStoreWindow&) = delete;

  int16_t ReadSample(uint32_t index) QUILLON_REQUIRES(mainThreadRole);
  // The samples from first on that the window holds after moving there, at most count; valid
  // until the next call. Shorter than count where the window or the store ends.
  std::span<const int16_t> Span(uint32_t first, uint32_t count) QUILLON_REQUIRES(mainThreadRole);
  uint32_t WindowStart() const QUILLON_REQUIRES(mainThreadRole) { return windowStart_; }
  uint32_t WindowEnd() const QUILLON_REQUIRES(mainThreadRole) { return windowEnd_; }

  // The store's bulk read (any thread; the window stays where it is).
  void ReadSamples(int16_t* dest, uint32_t first, uint32_t last) const {
    store_->ReadSamples(dest, first, last);
  }
  const TLargeFile& Store() const { return *store_; }
  uint32_t SampleCount() const { return store_->SampleCount(); }

 private:
  const uint8_t* SampleAddress(uint32_t index) QUILLON_REQUIRES(mainThreadRole);
  void MapAround(uint64_t byte) QUILLON_REQUIRES(mainThreadRole);

  std::shared_ptr<const TLargeFile> store_;
  uint8_t* window_ QUILLON_GUARDED_BY(mainThreadRole) = nullptr;
  uint32_t windowStart_ QUILLON_GUARDED_BY(mainThreadRole) = 0;
  uint32_t windowEnd_ QUILLON_GUARDED_BY(mainThreadRole) = 0;
};

}  // namespace quillon
