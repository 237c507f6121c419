#include "spectrum/spectrumshelf.h"

namespace quillon {

TSpectrumLevels TSpectrumShelf::Find(const TSpectrumDigest& digest) {
  std::lock_guard lock(mutex_);
  const auto found = entries_.find(digest);
  if (found == entries_.end()) return nullptr;
  ages_.splice(ages_.begin(), ages_, found->second.age);
  return found->second.levels;
}

void TSpectrumShelf::Put(const TSpectrumDigest& digest, TSpectrumLevels levels) {
  std::lock_guard lock(mutex_);
  const auto found = entries_.find(digest);
  if (found != entries_.end()) {
    ages_.splice(ages_.begin(), ages_, found->second.age);
    return;
  }
  bytes_ += levels->size() + kShelfEntryOverhead;
  ages_.push_front(digest);
  entries_.emplace(digest, TEntry{std::move(levels), ages_.begin()});
  while (bytes_ > budget_ && ages_.size() > 1) {
    const auto oldest = entries_.find(ages_.back());
    bytes_ -= oldest->second.levels->size() + kShelfEntryOverhead;
    entries_.erase(oldest);
    ages_.pop_back();
  }
}

uint64_t TSpectrumShelf::Bytes() const {
  std::lock_guard lock(mutex_);
  return bytes_;
}

}  // namespace quillon
