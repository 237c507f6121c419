#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "spectrum/spectrumdigest.h"

namespace quillon {

// The levels of one column, or of one group of columns: Bins() level bytes of each channel in
// turn. Shared, so that a drawing keeps what it reads while the shelf lets it go.
using TSpectrumLevels = std::shared_ptr<const std::vector<uint8_t>>;

// What a shelved entry costs besides its levels: the shelf's bookkeeping and that of the two
// caches (the state shown and the one before) that may point at it.
inline constexpr uint64_t kShelfEntryOverhead = 224;

// Levels by the digest of the samples they were computed from, for every state of a document at
// one window size and shape: after an edit, an undo or a redo, whatever did not change is found
// here instead of being computed again. Within a budget, least recently used let go first.
// Every member may be called from any thread.
class TSpectrumShelf {
 public:
  explicit TSpectrumShelf(uint64_t budget) : budget_(budget) {}

  TSpectrumLevels Find(const TSpectrumDigest& digest);
  void Put(const TSpectrumDigest& digest, TSpectrumLevels levels);
  uint64_t Budget() const { return budget_; }
  uint64_t Bytes() const;
  // How many entries of levelBytes each the budget holds at most.
  uint64_t Capacity(uint64_t levelBytes) const {
    return budget_ / (levelBytes + kShelfEntryOverhead) + 1;
  }

 private:
  struct TEntry {
    TSpectrumLevels levels;
    std::list<TSpectrumDigest>::iterator age;
  };
  const uint64_t budget_;
  mutable std::mutex mutex_;
  std::unordered_map<TSpectrumDigest, TEntry, TSpectrumDigestHash> entries_;
  // Most recently used first.
  std::list<TSpectrumDigest> ages_;
  uint64_t bytes_ = 0;
};

}  // namespace quillon
