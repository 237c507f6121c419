#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "spectrum/spectrumsettings.h"
#include "spectrum/spectrumshelf.h"
#include "spectrum/spectrumsource.h"

namespace quillon {

// A column (reduced false) or a group of kSpectrumGroup columns (reduced true).
struct TSpectrumKey {
  bool reduced = false;
  int64_t index = 0;
  bool operator<(const TSpectrumKey& other) const {
    return reduced != other.reduced ? reduced < other.reduced : index < other.index;
  }
};

// Columns a reduced level entry holds the maximum of.
inline constexpr int32_t kSpectrumGroup = 64;
// What the shelf of columns may hold at most by default. The levels of all columns take about
// twice the store's bytes, the reduced level a 64th of that with its bookkeeping; a view keeps
// two caches: a 2 GB document takes at most 160 + 2 x 42 MB (the smallest window), within 256 MB.
// Columns beyond the budget are computed again when they are shown again.
inline constexpr uint64_t kSpectrumColumnBudget = 160ull << 20;
// What a reduced level entry costs besides its levels: its pointer and the shared block.
inline constexpr uint64_t kSpectrumGroupOverhead = 64;

// The columns of one store at one window size and shape, computed on worker threads and kept
// on a shelf by the digest of their samples, within the shelf's budget; the reduced level (the
// maximum over each group, for wide zooms) is kept whole. Caches of other states of the same
// document that share the shelf find there what they have in common: only the columns whose
// windows touch changed samples are computed again, and those of a stretch shifted by a
// whole number of hops are found too. The view asks for what it misses, nearest its middle
// first, and draws whatever has arrived; once nothing is asked for the workers go on filling the
// reduced level of the whole document outward from where the view last was (when background is
// on). Every member may be called from any thread.
class TSpectrumCache {
 public:
  TSpectrumCache(TSpectrumSource source, int32_t window, TWindowShape shape,
                 uint64_t columnBudget = kSpectrumColumnBudget, int32_t threads = 0,
                 bool background = true, std::shared_ptr<TSpectrumShelf> shelf = nullptr);
  // Stops the workers; waits for each one's column in hand.
  ~TSpectrumCache();
  TSpectrumCache(const TSpectrumCache&) = delete;
  TSpectrumCache& operator=(const TSpectrumCache&) = delete;

  const TSpectrumSource& Source() const { return source_; }
  int32_t Window() const { return window_; }
  int32_t Hop() const { return window_ / 4; }
  int32_t Bins() const { return window_ / 2 + 1; }
  TWindowShape Shape() const { return shape_; }
  int64_t ColumnCount() const { return columnCount_; }
  int64_t GroupCount() const { return groupCount_; }

  // What is held; none when it is not computed (yet).
  TSpectrumLevels Find(TSpectrumKey key);
  // Replaces what was asked for before with wanted, computed in that order; nearColumn is
  // where the background filling starts from.
  void Request(std::vector<TSpectrumKey> wanted, int64_t nearColumn);
  // Called on a worker each time something arrived; set it before the first request.
  void SetOnArrival(std::function<void()> onArrival);
  // Waits until nothing asked for is left (and, with background on, the reduced level is whole).
  void WaitUntilIdle();

  // What the shelf holds, of every cache that shares it.
  uint64_t ColumnBytes() const;
  uint64_t ReducedBytes() const;
  // A read of the store failed; the workers stopped. The text says why.
  bool Failed() const;
  std::string FailureText() const;

  // Columns this cache transformed, alone or as part of a group, rather than found shelved.
  int64_t ComputedColumns() const { return computed_.load(); }
  const std::shared_ptr<TSpectrumShelf>& Shelf() const { return shelf_; }

  // One column computed on the calling thread, held nowhere: for tests and the command line.
  std::vector<uint8_t> ComputeColumn(int64_t column) const;

 private:
  // Where a column's levels are shelved.
  struct TEntry {
    TSpectrumDigest digest;
    std::list<int64_t>::iterator age;
  };
  void Work();
  // The next thing to compute, under the lock; false when there is none.
  bool NextTask(TSpectrumKey& key);
  bool Held(const TSpectrumKey& key) const;
  void Store(const TSpectrumKey& key, const TSpectrumDigest& digest, TSpectrumLevels levels);
  bool IdleLocked() const;

  const TSpectrumSource source_;
  const int32_t window_;
  const TWindowShape shape_;
  const std::shared_ptr<TSpectrumShelf> shelf_;
  const bool background_;
  const int64_t columnCount_;
  const int64_t groupCount_;
  // Columns the index points at at most: what the shelf can hold.
  const uint64_t indexCapacity_;
  std::atomic<int64_t> computed_{0};

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  bool stopping_ = false;
  bool failed_ = false;
  std::string failure_;
  std::deque<TSpectrumKey> queue_;
  std::set<TSpectrumKey> inFlight_;
  std::unordered_map<int64_t, TEntry> columns_;
  // Most recently used first.
  std::list<int64_t> ages_;
  std::vector<TSpectrumLevels> groups_;
  int64_t groupsHeld_ = 0;
  uint64_t reducedBytes_ = 0;
  // Background filling runs outward from here: below goes down, above goes up.
  int64_t below_ = -1;
  int64_t above_ = 0;
  int64_t nearGroup_ = 0;
  std::function<void()> onArrival_;
  std::vector<std::thread> workers_;
};

}  // namespace quillon
