#include "spectrum/spectrumcache.h"

#include <algorithm>
#include <exception>
#include <unordered_set>

#include "platform/threadpriority.h"
#include "spectrum/spectrumtransform.h"

namespace quillon {

namespace {

// What a worker made of a key: its levels, and the digest they are shelved by.
struct TMade {
  TSpectrumDigest digest;
  TSpectrumLevels levels;
};

// One worker's transform, hasher and buffers. Reads the samples of what it is asked for, and
// transforms only what the shelf does not hold.
class TColumnMaker {
 public:
  TColumnMaker(const TSpectrumSource& source, int32_t window, TWindowShape shape,
               TSpectrumShelf& shelf, std::atomic<int64_t>& computed)
      : source_(source),
        shelf_(shelf),
        computed_(computed),
        transform_(window, shape),
        power_(transform_.Bins()),
        most_(transform_.Bins()) {}

  TMade Column(int64_t column) {
    const int32_t window = transform_.Size();
    const int32_t hop = window / kBlocksPerWindow;
    ReadFrames(source_, (column - kBlocksPerWindow / 2) * hop, window, frames_);
    hasher_.Blocks(frames_.data(), source_.channels, hop, kBlocksPerWindow, blocks_);
    TMade made{hasher_.Combine(blocks_.data(), kBlocksPerWindow, kColumnDigest), nullptr};
    made.levels = shelf_.Find(made.digest);
    if (made.levels) return made;
    SplitChannels(frames_, source_.channels, window, planar_);
    const int32_t bins = transform_.Bins();
    std::vector<uint8_t> levels(static_cast<size_t>(bins) * source_.channels);
    for (int32_t ch = 0; ch < source_.channels; ++ch)
      transform_.Levels(planar_.data() + static_cast<size_t>(ch) * window,
                        levels.data() + static_cast<size_t>(ch) * bins);
    ++computed_;
    made.levels = std::make_shared<const std::vector<uint8_t>>(std::move(levels));
    shelf_.Put(made.digest, made.levels);
    return made;
  }

  // The maximum over the group's columns; the group's frames are read once. Columns found
  // shelved are taken as they are, the others are transformed and combined as power so that
  // only the result needs a logarithm.
  TMade Group(int64_t group, int64_t columnCount) {
    const int32_t window = transform_.Size();
    const int32_t hop = window / kBlocksPerWindow;
    const int64_t firstColumn = group * kSpectrumGroup;
    const auto columns =
        static_cast<int32_t>(std::min<int64_t>(kSpectrumGroup, columnCount - firstColumn));
    const int32_t span = (columns - 1) * hop + window;
    ReadFrames(source_, (firstColumn - kBlocksPerWindow / 2) * hop, span, frames_);
    hasher_.Blocks(frames_.data(), source_.channels, hop, columns + kBlocksPerWindow - 1, blocks_);
    digests_.resize(static_cast<size_t>(columns));
    for (int32_t c = 0; c < columns; ++c)
      digests_[c] = hasher_.Combine(blocks_.data() + c, kBlocksPerWindow, kColumnDigest);
    TMade made{hasher_.Combine(digests_.data(), digests_.size(), kGroupDigest), nullptr};
    made.levels = shelf_.Find(made.digest);
    if (made.levels) return made;
    const int32_t bins = transform_.Bins();
    const size_t size = static_cast<size_t>(bins) * source_.channels;
    std::vector<uint8_t> levels(size, 0);
    shelved_.resize(static_cast<size_t>(columns));
    bool transformed = false;
    for (int32_t c = 0; c < columns; ++c) {
      shelved_[c] = shelf_.Find(digests_[c]);
      if (!shelved_[c]) {
        transformed = true;
        ++computed_;
      } else {
        for (size_t i = 0; i < size; ++i) levels[i] = std::max(levels[i], (*shelved_[c])[i]);
      }
    }
    if (transformed) {
      SplitChannels(frames_, source_.channels, span, planar_);
      for (int32_t ch = 0; ch < source_.channels; ++ch) {
        std::fill(most_.begin(), most_.end(), 0.0f);
        const float* frames = planar_.data() + static_cast<size_t>(ch) * span;
        for (int32_t c = 0; c < columns; ++c) {
          if (shelved_[c]) continue;
          transform_.Power(frames + static_cast<size_t>(c) * hop, power_.data());
          for (int32_t k = 0; k < bins; ++k) most_[k] = std::max(most_[k], power_[k]);
        }
        uint8_t* out = levels.data() + static_cast<size_t>(ch) * bins;
        PowerToLevels(most_.data(), bins, byteMost_.data());
        for (int32_t k = 0; k < bins; ++k) out[k] = std::max(out[k], byteMost_[k]);
      }
    }
    shelved_.clear();
    made.levels = std::make_shared<const std::vector<uint8_t>>(std::move(levels));
    shelf_.Put(made.digest, made.levels);
    return made;
  }

 private:
  const TSpectrumSource& source_;
  TSpectrumShelf& shelf_;
  std::atomic<int64_t>& computed_;
  TSpectrumTransform transform_;
  TSpectrumHasher hasher_;
  std::vector<int16_t> frames_;
  std::vector<float> planar_;
  std::vector<float> power_;
  std::vector<float> most_;
  std::vector<uint8_t> byteMost_ = std::vector<uint8_t>(most_.size());
  std::vector<TSpectrumDigest> blocks_;
  std::vector<TSpectrumDigest> digests_;
  std::vector<TSpectrumLevels> shelved_;
};

}  // namespace

TSpectrumCache::TSpectrumCache(TSpectrumSource source, int32_t window, TWindowShape shape,
                               uint64_t columnBudget, int32_t threads, bool background,
                               std::shared_ptr<TSpectrumShelf> shelf)
    : source_(std::move(source)),
      window_(window),
      shape_(shape),
      shelf_(shelf ? std::move(shelf) : std::make_shared<TSpectrumShelf>(columnBudget)),
      background_(background),
      columnCount_(SpectrumColumnCount(source_.frameCount, window / 4)),
      groupCount_((columnCount_ + kSpectrumGroup - 1) / kSpectrumGroup),
      indexCapacity_(shelf_->Capacity(static_cast<uint64_t>(window / 2 + 1) *
                                      std::max<int>(1, source_.channels))),
      groups_(static_cast<size_t>(groupCount_)) {
  // A transform made here fails here, with its message, rather than on every worker.
  TSpectrumTransform probe(window, shape);
  TSpectrumHasher hasher;
  if (threads <= 0)
    threads = static_cast<int32_t>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
  for (int32_t i = 0; i < threads && source_.channels > 0; ++i)
    workers_.emplace_back([this] { Work(); });
}

TSpectrumCache::~TSpectrumCache() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

TSpectrumLevels TSpectrumCache::Find(TSpectrumKey key) {
  std::lock_guard lock(mutex_);
  if (key.reduced)
    return key.index >= 0 && key.index < groupCount_ ? groups_[static_cast<size_t>(key.index)]
                                                     : nullptr;
  const auto found = columns_.find(key.index);
  if (found == columns_.end()) return nullptr;
  TSpectrumLevels levels = shelf_->Find(found->second.digest);
  if (!levels) {
    // The shelf let it go: asked for again, it is computed again.
    ages_.erase(found->second.age);
    columns_.erase(found);
    return nullptr;
  }
  ages_.splice(ages_.begin(), ages_, found->second.age);
  return levels;
}

bool TSpectrumCache::Held(const TSpectrumKey& key) const {
  // A column the shelf let go is dropped from the index when Find misses it, and asked for
  // again: the shelf is not asked here, under the lock the workers wait for.
  if (key.reduced) return groups_[static_cast<size_t>(key.index)] != nullptr;
  return columns_.count(key.index) != 0;
}

void TSpectrumCache::Request(std::vector<TSpectrumKey> wanted, int64_t nearColumn) {
  // Sorted out before the lock is taken: the workers wait for it.
  std::vector<TSpectrumKey> unique;
  unique.reserve(wanted.size());
  std::unordered_set<int64_t> taken;
  for (const TSpectrumKey& key : wanted) {
    const int64_t count = key.reduced ? groupCount_ : columnCount_;
    if (key.index >= 0 && key.index < count &&
        taken.insert(key.reduced ? -1 - key.index : key.index).second)
      unique.push_back(key);
  }
  {
    std::lock_guard lock(mutex_);
    queue_.clear();
    for (const TSpectrumKey& key : unique)
      if (!Held(key) && !inFlight_.count(key)) queue_.push_back(key);
    const int64_t group = std::clamp<int64_t>(nearColumn / kSpectrumGroup, 0, groupCount_);
    nearGroup_ = group;
    below_ = group - 1;
    above_ = group;
  }
  wake_.notify_all();
}

void TSpectrumCache::SetOnArrival(std::function<void()> onArrival) {
  std::lock_guard lock(mutex_);
  onArrival_ = std::move(onArrival);
}

bool TSpectrumCache::IdleLocked() const {
  return failed_ ||
         (queue_.empty() && inFlight_.empty() && (!background_ || groupsHeld_ == groupCount_));
}

void TSpectrumCache::WaitUntilIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return IdleLocked() || workers_.empty(); });
}

uint64_t TSpectrumCache::ColumnBytes() const {
  return shelf_->Bytes();
}

uint64_t TSpectrumCache::ReducedBytes() const {
  std::lock_guard lock(mutex_);
  return reducedBytes_;
}

bool TSpectrumCache::Failed() const {
  std::lock_guard lock(mutex_);
  return failed_;
}

std::string TSpectrumCache::FailureText() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

std::vector<uint8_t> TSpectrumCache::ComputeColumn(int64_t column) const {
  TSpectrumShelf none(0);
  std::atomic<int64_t> computed{0};
  TColumnMaker maker(source_, window_, shape_, none, computed);
  return *maker.Column(column).levels;
}

bool TSpectrumCache::NextTask(TSpectrumKey& key) {
  while (!queue_.empty()) {
    key = queue_.front();
    queue_.pop_front();
    if (!Held(key) && !inFlight_.count(key)) return true;
  }
  if (!background_) return false;
  // Outward from the view, nearer side first.
  while (below_ >= 0 || above_ < groupCount_) {
    const bool up =
        above_ < groupCount_ && (below_ < 0 || above_ - nearGroup_ <= nearGroup_ - 1 - below_);
    key = {true, up ? above_++ : below_--};
    if (!Held(key) && !inFlight_.count(key)) return true;
  }
  return false;
}

void TSpectrumCache::Store(const TSpectrumKey& key, const TSpectrumDigest& digest,
                           TSpectrumLevels levels) {
  if (key.reduced) {
    auto& slot = groups_[static_cast<size_t>(key.index)];
    if (!slot) {
      ++groupsHeld_;
      reducedBytes_ += levels->size() + kSpectrumGroupOverhead;
    }
    slot = std::move(levels);
    return;
  }
  const auto found = columns_.find(key.index);
  if (found != columns_.end()) {
    found->second.digest = digest;
    ages_.splice(ages_.begin(), ages_, found->second.age);
    return;
  }
  ages_.push_front(key.index);
  columns_[key.index] = {digest, ages_.begin()};
  while (ages_.size() > indexCapacity_) {
    columns_.erase(ages_.back());
    ages_.pop_back();
  }
}

void TSpectrumCache::Work() {
  // The main thread's paints and playback come before the columns.
  LowerThisThreadsPriority();
  std::unique_ptr<TColumnMaker> maker;
  std::unique_lock lock(mutex_);
  while (true) {
    TSpectrumKey key;
    wake_.wait(lock, [&] {
      if (stopping_ || (!failed_ && NextTask(key))) return true;
      // Skipping what was asked for twice may have emptied the queue without a task.
      if (IdleLocked()) idle_.notify_all();
      return false;
    });
    if (stopping_) return;
    inFlight_.insert(key);
    lock.unlock();
    TMade made;
    std::string failure;
    try {
      if (!maker)
        maker = std::make_unique<TColumnMaker>(source_, window_, shape_, *shelf_, computed_);
      made = key.reduced ? maker->Group(key.index, columnCount_) : maker->Column(key.index);
    } catch (const std::exception& error) {
      failure = error.what();
    }
    lock.lock();
    inFlight_.erase(key);
    if (made.levels)
      Store(key, made.digest, std::move(made.levels));
    else {
      failed_ = true;
      failure_ = failure;
      queue_.clear();
    }
    const std::function<void()> onArrival = onArrival_;
    const bool idle = IdleLocked();
    lock.unlock();
    if (idle) idle_.notify_all();
    if (onArrival) onArrival();
    lock.lock();
  }
}

}  // namespace quillon
