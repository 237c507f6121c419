#include "analysis/silences.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "document/largefile.h"

namespace quillon {

namespace {

class TSilenceWalk {
 public:
  TSilenceWalk(const TSilenceSource& source, int32_t amplitude)
      : source_(source), amplitude_(amplitude), blocks_(BlockCount(source)) {}

  uint64_t Blocks() const { return blocks_; }

  bool BlockSilent(uint64_t block) const {
    const Tindextype* entry = &(*source_.index)[block * source_.channels];
    for (uint16_t c = 0; c < source_.channels; ++c)
      if (entry[c].max >= amplitude_ || -int32_t{entry[c].min} >= amplitude_) return false;
    return true;
  }

  // The first frame at or after from whose samples are not all silent, before limit.
  uint64_t FirstLoud(uint64_t from, uint64_t limit) const {
    ReadFrames(from, limit);
    for (uint64_t f = from; f < limit; ++f)
      if (!FrameSilent(f - from)) return f;
    return limit;
  }

  // One past the last loud frame in [floor, to); floor when there is none.
  uint64_t EndOfLoud(uint64_t floor, uint64_t to) const {
    ReadFrames(floor, to);
    for (uint64_t f = to; f > floor; --f)
      if (!FrameSilent(f - 1 - floor)) return f;
    return floor;
  }

  uint64_t BlockStart(uint64_t block) const { return block * kIndexBlockFrames; }
  uint64_t BlockStop(uint64_t block) const {
    return std::min<uint64_t>(source_.frameCount, (block + 1) * kIndexBlockFrames);
  }

 private:
  static uint64_t BlockCount(const TSilenceSource& source) {
    const uint64_t byFrames = (source.frameCount + kIndexBlockFrames - 1) / kIndexBlockFrames;
    const uint64_t byIndex = source.channels ? source.index->size() / source.channels : 0;
    return std::min(byFrames, byIndex);
  }

  void ReadFrames(uint64_t from, uint64_t to) const {
    buffer_.resize((to - from) * source_.channels);
    if (buffer_.empty()) return;
    const uint64_t first = from * source_.channels;
    source_.store->ReadSamples(buffer_.data(), static_cast<uint32_t>(first),
                               static_cast<uint32_t>(first + buffer_.size() - 1));
  }

  bool FrameSilent(uint64_t frame) const {
    const int16_t* samples = &buffer_[frame * source_.channels];
    for (uint16_t c = 0; c < source_.channels; ++c)
      if (std::abs(int32_t{samples[c]}) >= amplitude_) return false;
    return true;
  }

  const TSilenceSource& source_;
  int32_t amplitude_;
  uint64_t blocks_;
  mutable std::vector<int16_t> buffer_;
};

bool Usable(const TSilenceSource& source) {
  return source.index && source.store && source.channels > 0 && source.frameCount > 0;
}

}  // namespace

int32_t SilenceAmplitude(double thresholdDb) {
  const double amplitude = 32768.0 * std::pow(10.0, thresholdDb / 20.0);
  return static_cast<int32_t>(std::clamp(std::ceil(amplitude), 1.0, 32768.0));
}

std::vector<TFrameSpan> FindSilences(const TSilenceSource& source, double thresholdDb,
                                     uint64_t minFrames, TFrameSpan within) {
  std::vector<TFrameSpan> found;
  if (!Usable(source)) return found;
  within.stop = std::min(within.stop, source.frameCount);
  if (within.start >= within.stop) return found;
  minFrames = std::max<uint64_t>(minFrames, 2 * kIndexBlockFrames);
  TSilenceWalk walk(source, SilenceAmplitude(thresholdDb));
  const uint64_t firstBlock = within.start / kIndexBlockFrames;
  const uint64_t endBlock = std::min(walk.Blocks(), (within.stop - 1) / kIndexBlockFrames + 1);
  uint64_t block = firstBlock;
  while (block < endBlock) {
    if (!walk.BlockSilent(block)) {
      ++block;
      continue;
    }
    uint64_t runEnd = block;
    while (runEnd < endBlock && walk.BlockSilent(runEnd)) ++runEnd;
    // The loud blocks on either side end and begin the silence somewhere inside themselves.
    uint64_t start = walk.BlockStart(block);
    if (block > 0) start = walk.EndOfLoud(walk.BlockStart(block - 1), start);
    uint64_t stop = walk.BlockStop(runEnd - 1);
    if (runEnd < walk.Blocks()) stop = walk.FirstLoud(stop, walk.BlockStop(runEnd));
    const TFrameSpan span{std::max(start, within.start), std::min(stop, within.stop)};
    if (span.stop > span.start && span.Length() >= minFrames) found.push_back(span);
    block = runEnd;
  }
  return found;
}

TEndTrim FindEndSilences(const TSilenceSource& source, double thresholdDb, uint64_t keepFrames) {
  TEndTrim trim;
  if (!Usable(source)) return trim;
  TSilenceWalk walk(source, SilenceAmplitude(thresholdDb));
  uint64_t block = 0;
  while (block < walk.Blocks() && walk.BlockSilent(block)) ++block;
  if (block == walk.Blocks()) {
    trim.allSilent = true;
    return trim;
  }
  const uint64_t firstLoud = walk.FirstLoud(walk.BlockStart(block), walk.BlockStop(block));
  uint64_t last = walk.Blocks() - 1;
  while (walk.BlockSilent(last)) --last;
  const uint64_t endOfLoud = walk.EndOfLoud(walk.BlockStart(last), walk.BlockStop(last));
  if (firstLoud > keepFrames) trim.head = TFrameSpan{0, firstLoud - keepFrames};
  if (source.frameCount - endOfLoud > keepFrames)
    trim.tail = TFrameSpan{endOfLoud + keepFrames, source.frameCount};
  return trim;
}

std::vector<TFrameSpan> SoundsBetween(const std::vector<TFrameSpan>& silences, TFrameSpan within) {
  std::vector<TFrameSpan> sounds;
  uint64_t from = within.start;
  for (const TFrameSpan& silence : silences) {
    if (silence.start > from) sounds.push_back({from, std::min(silence.start, within.stop)});
    from = std::max(from, silence.stop);
  }
  if (within.stop > from) sounds.push_back({from, within.stop});
  return sounds;
}

std::vector<TFrameSpan> ShortenedParts(const std::vector<TFrameSpan>& silences,
                                       uint64_t keepFrames) {
  std::vector<TFrameSpan> parts;
  for (const TFrameSpan& silence : silences) {
    if (silence.Length() <= keepFrames) continue;
    const uint64_t before = keepFrames / 2;
    parts.push_back({silence.start + before, silence.stop - (keepFrames - before)});
  }
  return parts;
}

}  // namespace quillon
