#include "display/wavecolumns.h"

#include <algorithm>
#include <array>
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

// One column of every channel at once: blocks block to end - 1 of the index, whole groups of them
// from the coarse level. Channels is the channel count when known at compile time, else 0.
template <int Channels>
void IndexColumn(const Tindextype* index, const TCoarsePeak* coarse, uint64_t groups, int channels,
                 uint64_t block, uint64_t end, TColumnPeak* out) {
  const int n = Channels > 0 ? Channels : channels;
  std::array<TColumnExtremes, kMaxFilterChannels> extremes{};
  auto fine = [&](uint64_t b) {
    for (int k = 0; k < n; ++k) extremes[k].Add(index[b * n + k].max, index[b * n + k].min, false);
  };
  while (block < end && block % kCoarseBlocks != 0) fine(block++);
  for (; block + kCoarseBlocks <= end && block / kCoarseBlocks < groups; block += kCoarseBlocks) {
    const TCoarsePeak* group = coarse + block / kCoarseBlocks * n;
    for (int k = 0; k < n; ++k) extremes[k].Add(group[k].max, group[k].min, group[k].minFirst);
  }
  while (block < end) fine(block++);
  for (int k = 0; k < n; ++k) out[k] = extremes[k].Peak();
}

}  // namespace

void IndexColumns(const Tindexdata& index, const Tcoarseindex& coarse, int channels, uint32_t start,
                  double framesPerColumn, int columns, std::vector<TColumnPeak>& out) {
  out.resize(static_cast<size_t>(std::max(columns, 0)) * channels);
  if (channels <= 0 || channels > kMaxFilterChannels) return;
  const uint64_t blocks = index.size() / channels;
  // A coarse level of another index (there should be none) is not used.
  const uint64_t groups =
      coarse.size() == blocks / kCoarseBlocks * channels ? blocks / kCoarseBlocks : 0;
  const uint64_t span = static_cast<uint64_t>(std::trunc(framesPerColumn / kIndexBlockFrames)) + 1;
  auto column = channels == 1 ? &IndexColumn<1> : channels == 2 ? &IndexColumn<2> : &IndexColumn<0>;
  for (int s = 0; s < columns; ++s) {
    const uint64_t block =
        static_cast<uint64_t>(std::trunc((start + s * framesPerColumn) / kIndexBlockFrames));
    const uint64_t end = std::min(block + span, blocks);
    column(index.data(), coarse.data(), groups, channels, std::min(block, end), end,
           out.data() + static_cast<size_t>(s) * channels);
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
