#pragma once

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
#include "spectrum/spectrumsource.h"

namespace quillon {

// The levels of one column, or of one group of columns: Bins() level bytes of each channel in
// turn. Shared, so that a drawing keeps what it reads while the cache lets it go.
using TSpectrumLevels = std::shared_ptr<const std::vector<uint8_t>>;

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
// What the columns may hold at most by default; the reduced level needs at most one 32nd of the
// store's bytes besides (a 2 GB document: 256 MB in all at most).
inline constexpr uint64_t kSpectrumColumnBudget = 192ull << 20;

// The columns of one store at one window size and shape, computed on worker threads and kept
// within a memory budget, least recently used let go first; the reduced level (the maximum over
// each group, for wide zooms) is kept whole. The view asks for what it misses, nearest its middle
// first, and draws whatever has arrived; once nothing is asked for the workers go on filling the
// reduced level of the whole document outward from where the view last was (when background is
// on). Every member may be called from any thread.
class TSpectrumCache {
 public:
  TSpectrumCache(TSpectrumSource source, int32_t window, TWindowShape shape,
                 uint64_t columnBudget = kSpectrumColumnBudget, int32_t threads = 0,
                 bool background = true);
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

  uint64_t ColumnBytes() const;
  uint64_t ReducedBytes() const;
  // A read of the store failed; the workers stopped. The text says why.
  bool Failed() const;
  std::string FailureText() const;

  // One column computed on the calling thread, held nowhere: for tests and the command line.
  std::vector<uint8_t> ComputeColumn(int64_t column) const;

 private:
  struct TEntry {
    TSpectrumLevels levels;
    std::list<int64_t>::iterator age;
  };
  void Work();
  // The next thing to compute, under the lock; false when there is none.
  bool NextTask(TSpectrumKey& key);
  bool Held(const TSpectrumKey& key) const;
  void Store(const TSpectrumKey& key, TSpectrumLevels levels);
  bool IdleLocked() const;

  const TSpectrumSource source_;
  const int32_t window_;
  const TWindowShape shape_;
  const uint64_t columnBudget_;
  const bool background_;
  const int64_t columnCount_;
  const int64_t groupCount_;

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
  uint64_t columnBytes_ = 0;
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
