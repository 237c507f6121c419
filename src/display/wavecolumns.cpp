#include "display/wavecolumns.h"

#include <algorithm>
#include <cmath>

namespace quillon {

namespace {

// A column's extremes as it meets them in time, each kept where it first occurred; the extremes of
// one element in the same order: the element's own order decides (a coarse group's minFirst).
// Without branches: the extremes of noise change too irregularly to be guessed.
class TColumnExtremes {
 public:
  void Add(int16_t max, int16_t min, bool minFirst) {
    const bool higher = max > max_, lower = min < min_;
    max_ = higher ? max : max_;
    maxAt_ = higher ? at_ : maxAt_;
    min_ = lower ? min : min_;
    minAt_ = lower ? at_ : minAt_;
    minFirstThere_ = lower ? minFirst : minFirstThere_;
    ++at_;
  }
  TColumnPeak Peak() const {
    const bool minFirst = maxAt_ > minAt_ || (maxAt_ == minAt_ && minFirstThere_);
    return minFirst ? TColumnPeak{min_, max_} : TColumnPeak{max_, min_};
  }

 private:
  int32_t at_ = 0, maxAt_ = 0, minAt_ = 0;
  int16_t max_ = -32768, min_ = 32767;
  bool minFirstThere_ = false;
};

TColumnPeak IndexColumn(const Tindexdata& index, const Tcoarseindex& coarse, int channels,
                        int channel, uint64_t block, uint64_t end) {
  const uint64_t groups = coarse.size() / channels;
  TColumnExtremes extremes;
  const Tindextype* fine = index.data() + channel;
  while (block < end && block % kCoarseBlocks != 0) {
    const Tindextype& entry = fine[block++ * channels];
    extremes.Add(entry.max, entry.min, false);
  }
  const uint64_t wholeEnd = std::min(end / kCoarseBlocks, groups) * kCoarseBlocks;
  if (block < wholeEnd) {
    const TCoarsePeak* group = coarse.data() + block / kCoarseBlocks * channels + channel;
    for (; block < wholeEnd; block += kCoarseBlocks, group += channels)
      extremes.Add(group->max, group->min, group->minFirst);
  }
  while (block < end) {
    const Tindextype& entry = fine[block++ * channels];
    extremes.Add(entry.max, entry.min, false);
  }
  return extremes.Peak();
}

}  // namespace

void IndexColumns(const Tindexdata& index, const Tcoarseindex& coarse, int channels, uint32_t start,
                  double framesPerColumn, int columns, std::vector<TColumnPeak>& out) {
  out.resize(static_cast<size_t>(std::max(columns, 0)) * channels);
  const uint64_t blocks = index.size() / channels;
  // A coarse level of another index (there should be none) is not used.
  const Tcoarseindex none;
  const Tcoarseindex& groups = coarse.size() == blocks / kCoarseBlocks * channels ? coarse : none;
  const uint64_t span = static_cast<uint64_t>(std::trunc(framesPerColumn / kIndexBlockFrames)) + 1;
  for (int s = 0; s < columns; ++s) {
    const uint64_t block =
        static_cast<uint64_t>(std::trunc((start + s * framesPerColumn) / kIndexBlockFrames));
    const uint64_t end = std::min(block + span, blocks);
    for (int k = 0; k < channels; ++k)
      out[static_cast<size_t>(s) * channels + k] =
          IndexColumn(index, groups, channels, k, std::min(block, end), end);
  }
}

TColumnFrames ColumnFrames(int column, double framesPerColumn, uint32_t start,
                           uint32_t frameCount) {
  const uint64_t span = static_cast<uint64_t>(std::trunc(framesPerColumn));
  uint64_t first = static_cast<uint64_t>(std::trunc(column * framesPerColumn)) + start;
  if (first + span >= frameCount) first = frameCount - 1 >= span ? frameCount - 1 - span : 0;
  return {first, std::min<uint64_t>(first + span, frameCount - 1)};
}

void SampleColumns(const int16_t* samples, int channels, uint32_t start, double framesPerColumn,
                   uint32_t frameCount, int columns, std::vector<TColumnPeak>& out) {
  out.resize(static_cast<size_t>(std::max(columns, 0)) * channels);
  if (columns <= 0) return;
  const uint64_t origin = ColumnFrames(0, framesPerColumn, start, frameCount).first;
  for (int s = 0; s < columns; ++s) {
    const TColumnFrames frames = ColumnFrames(s, framesPerColumn, start, frameCount);
    TChannelPeaks maximum, minimum;
    maximum.fill(-32768);
    minimum.fill(32767);
    ScanExtremes(samples + (frames.first - origin) * channels,
                 static_cast<int32_t>(frames.last - frames.first + 1), channels, maximum, minimum);
    for (int k = 0; k < channels; ++k)
      out[static_cast<size_t>(s) * channels + k] = {maximum[k], minimum[k]};
  }
}

}  // namespace quillon
