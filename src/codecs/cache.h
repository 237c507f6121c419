#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillon {

// One peak-index entry: the maximum and the minimum of one channel over one block of frames.
struct Tindextype {
  int16_t max = 0;
  int16_t min = 0;
  bool operator==(const Tindextype&) const = default;
};

// The peak index: entry of block b and channel c at b * channels + c.
using Tindexdata = std::vector<Tindextype>;

inline constexpr uint32_t kIndexBlockFrames = 512;
inline constexpr int kMaxFilterChannels = 8;

// The peak index's coarse level, for views so wide that a column spans many blocks: one entry per
// kCoarseBlocks whole blocks of one channel, at group g and channel c at g * channels + c. A group
// that the index does not fill has none. minFirst: the minimum's first block comes before the
// maximum's first block, which keeps the order in which a column's extremes are drawn.
struct TCoarsePeak {
  int16_t max = 0;
  int16_t min = 0;
  bool minFirst = false;
  bool operator==(const TCoarsePeak&) const = default;
};
using Tcoarseindex = std::vector<TCoarsePeak>;
inline constexpr uint32_t kCoarseBlocks = 8;

// The coarse level of index, a pass over its entries (a 512th of the samples' count) that every
// index builder makes as it finishes.
Tcoarseindex CoarsenIndex(const Tindexdata& index, int channels);

using TChannelPeaks = std::array<int16_t, kMaxFilterChannels>;

// Widens maximum[c] and minimum[c] to the extremes of channel c over frames of interleaved
// samples.
void ScanExtremes(const int16_t* samples, int32_t frames, int32_t channels, TChannelPeaks& maximum,
                  TChannelPeaks& minimum);

// Decibels of an amplitude relative to 32768; -90 for silence.
double AmplitudeToDb(double amplitude);

// Whole decibels of a peak (rounded half to even), -90 when the peak is 0.
int32_t PeakToDb(int32_t peak);

// Builds the peak index from samples as they are decoded, so that opening needs no second pass.
// Blocks start at maximum 0 and minimum 0; the finished index ends with one block of zeros.
class TFilter {
 public:
  explicit TFilter(int channels);

  // Appends byteCount / 2 interleaved samples.
  void AddSamples(const int16_t* samples, int32_t byteCount);
  // Turns the collected block into index entries and updates the peaks.
  void CloseBlock();
  // Closes the last block (even an empty one) and copies the index out with a zero block added.
  void GetIndex(Tindexdata& index);
  void GetPeaks(TChannelPeaks& channelPeaks, int16_t& overallPeak, int32_t& peakLevel) const;

 private:
  // CloseBlock over count collected samples wherever they lie.
  void CloseBlockOf(const int16_t* samples, int32_t count);

  std::vector<int16_t> blockSamples_;
  Tindexdata index_;
  int32_t entryCount_ = 0;
  int32_t channels_;
  int32_t samplesInBlock_ = 0;
  TChannelPeaks channelPeaks_{};
  int32_t overallPeak_ = 0;
  int32_t peakLevel_ = -90;
};

}  // namespace quillon
