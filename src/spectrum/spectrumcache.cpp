#include "spectrum/spectrumcache.h"

#include <algorithm>
#include <exception>

#include "spectrum/spectrumtransform.h"

namespace quillon {

namespace {

// Bookkeeping a held column costs besides its levels.
constexpr uint64_t kEntryOverhead = 96;

// One worker's transform and buffers.
class TColumnMaker {
 public:
  TColumnMaker(const TSpectrumSource& source, int32_t window, TWindowShape shape)
      : source_(source),
        transform_(window, shape),
        power_(transform_.Bins()),
        most_(transform_.Bins()) {}

  std::vector<uint8_t> Column(int64_t column) {
    const int32_t window = transform_.Size();
    ReadPlanarFrames(source_, column * (window / 4) - window / 2, window, scratch_, planar_);
    const int32_t bins = transform_.Bins();
    std::vector<uint8_t> levels(static_cast<size_t>(bins) * source_.channels);
    for (int32_t ch = 0; ch < source_.channels; ++ch)
      transform_.Levels(planar_.data() + static_cast<size_t>(ch) * window,
                        levels.data() + static_cast<size_t>(ch) * bins);
    return levels;
  }

  // The maximum over the group's columns, taken on their power so that only the result needs a
  // logarithm; the group's frames are read once.
  std::vector<uint8_t> Group(int64_t group, int64_t columnCount) {
    const int32_t window = transform_.Size();
    const int32_t hop = window / 4;
    const int64_t firstColumn = group * kSpectrumGroup;
    const auto columns =
        static_cast<int32_t>(std::min<int64_t>(kSpectrumGroup, columnCount - firstColumn));
    const int32_t span = (columns - 1) * hop + window;
    ReadPlanarFrames(source_, firstColumn * hop - window / 2, span, scratch_, planar_);
    const int32_t bins = transform_.Bins();
    std::vector<uint8_t> levels(static_cast<size_t>(bins) * source_.channels);
    for (int32_t ch = 0; ch < source_.channels; ++ch) {
      std::fill(most_.begin(), most_.end(), 0.0f);
      const float* frames = planar_.data() + static_cast<size_t>(ch) * span;
      for (int32_t c = 0; c < columns; ++c) {
        transform_.Power(frames + static_cast<size_t>(c) * hop, power_.data());
        for (int32_t k = 0; k < bins; ++k) most_[k] = std::max(most_[k], power_[k]);
      }
      PowerToLevels(most_.data(), bins, levels.data() + static_cast<size_t>(ch) * bins);
    }
    return levels;
  }

 private:
  const TSpectrumSource& source_;
  TSpectrumTransform transform_;
  std::vector<int16_t> scratch_;
  std::vector<float> planar_;
  std::vector<float> power_;
  std::vector<float> most_;
};

}  // namespace

TSpectrumCache::TSpectrumCache(TSpectrumSource source, int32_t window, TWindowShape shape,
                               uint64_t columnBudget, int32_t threads, bool background)
    : source_(std::move(source)),
      window_(window),
      shape_(shape),
      columnBudget_(columnBudget),
      background_(background),
      columnCount_(SpectrumColumnCount(source_.frameCount, window / 4)),
      groupCount_((columnCount_ + kSpectrumGroup - 1) / kSpectrumGroup),
      groups_(static_cast<size_t>(groupCount_)) {
  // A transform made here fails here, with its message, rather than on every worker.
  TSpectrumTransform probe(window, shape);
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
  ages_.splice(ages_.begin(), ages_, found->second.age);
  return found->second.levels;
}

bool TSpectrumCache::Held(const TSpectrumKey& key) const {
  if (key.reduced) return groups_[static_cast<size_t>(key.index)] != nullptr;
  return columns_.count(key.index) != 0;
}

void TSpectrumCache::Request(std::vector<TSpectrumKey> wanted, int64_t nearColumn) {
  {
    std::lock_guard lock(mutex_);
    queue_.clear();
    std::set<TSpectrumKey> taken;
    for (const TSpectrumKey& key : wanted) {
      const int64_t count = key.reduced ? groupCount_ : columnCount_;
      if (key.index >= 0 && key.index < count && !Held(key) && !inFlight_.count(key) &&
          taken.insert(key).second)
        queue_.push_back(key);
    }
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
  std::lock_guard lock(mutex_);
  return columnBytes_;
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
  TColumnMaker maker(source_, window_, shape_);
  return maker.Column(column);
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

void TSpectrumCache::Store(const TSpectrumKey& key, TSpectrumLevels levels) {
  if (key.reduced) {
    auto& slot = groups_[static_cast<size_t>(key.index)];
    if (!slot) {
      ++groupsHeld_;
      reducedBytes_ += levels->size() + sizeof(TSpectrumLevels);
    }
    slot = std::move(levels);
    return;
  }
  const uint64_t bytes = levels->size() + kEntryOverhead;
  ages_.push_front(key.index);
  columns_[key.index] = {std::move(levels), ages_.begin()};
  columnBytes_ += bytes;
  while (columnBytes_ > columnBudget_ && !ages_.empty()) {
    const auto oldest = columns_.find(ages_.back());
    columnBytes_ -= oldest->second.levels->size() + kEntryOverhead;
    columns_.erase(oldest);
    ages_.pop_back();
  }
}

void TSpectrumCache::Work() {
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
    TSpectrumLevels levels;
    std::string failure;
    try {
      if (!maker) maker = std::make_unique<TColumnMaker>(source_, window_, shape_);
      levels = std::make_shared<const std::vector<uint8_t>>(
          key.reduced ? maker->Group(key.index, columnCount_) : maker->Column(key.index));
    } catch (const std::exception& error) {
      failure = error.what();
    }
    lock.lock();
    inFlight_.erase(key);
    if (levels)
      Store(key, std::move(levels));
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
