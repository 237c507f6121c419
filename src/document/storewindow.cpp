#include "document/storewindow.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quillon {

TStoreWindow::TStoreWindow(std::shared_ptr<const TLargeFile> store) : store_(std::move(store)) {}

// A destructor is outside the analysis: whoever destroys the window is its last user.
TStoreWindow::~TStoreWindow() {
  if (window_) TFileMapping::UnmapView(window_, windowEnd_ - windowStart_);
}

void TStoreWindow::MapAround(uint64_t byte) {
  if (window_) {
    TFileMapping::UnmapView(window_, windowEnd_ - windowStart_);
    window_ = nullptr;
    windowStart_ = windowEnd_ = 0;
  }
  TWindowRange range = WindowAround(byte, store_->file_.Size());
  window_ = static_cast<uint8_t*>(store_->file_.MapView(range.start, range.end - range.start));
  windowStart_ = static_cast<uint32_t>(range.start);
  windowEnd_ = static_cast<uint32_t>(range.end);
}

const uint8_t* TStoreWindow::SampleAddress(uint32_t index) {
  uint64_t byte = kWavHeaderSize + 2ull * index;
  if (!window_ || byte >= windowEnd_ || byte < windowStart_) MapAround(byte);
  return window_ + (byte - windowStart_);
}

int16_t TStoreWindow::ReadSample(uint32_t index) {
  int16_t value;
  std::memcpy(&value, SampleAddress(index), 2);
  return value;
}

std::span<const int16_t> TStoreWindow::Span(uint32_t first, uint32_t count) {
  if (first >= SampleCount()) return {};
  const uint64_t begin = kWavHeaderSize + 2ull * first;
  const uint64_t end = begin + 2ull * std::min<uint64_t>(count, SampleCount() - first);
  // Moves when the window lacks part of the span, so a span that fits a window is held whole.
  if (!window_ || begin < windowStart_ || end > windowEnd_) MapAround(begin);
  const uint8_t* at = window_ + (begin - windowStart_);
  uint64_t held = (windowEnd_ - (kWavHeaderSize + 2ull * first)) / 2;
  // The header is 44 bytes and a window starts on a page: every sample is 2-byte aligned.
  return {reinterpret_cast<const int16_t*>(at),
          static_cast<size_t>(std::min<uint64_t>({held, count, SampleCount() - first}))};
}

}  // namespace quillon
