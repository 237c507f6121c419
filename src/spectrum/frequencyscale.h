#pragma once

#include <cstdint>
#include <vector>

#include "spectrum/spectrumsettings.h"

namespace quillon {

// The lowest frequency of the logarithmic scale; linear and mel start at 0 Hz.
inline constexpr double kLogScaleLowestHz = 20;

// How rows of a band of height pixels map to frequencies from the scale's lowest up to half the
// sample rate: row 0 at the top holds the highest.
class TFrequencyAxis {
 public:
  TFrequencyAxis(TFrequencyScale scale, int32_t height, uint32_t sampleRate);

  // The frequency at position y (0 top edge, height bottom edge), in Hz.
  double FrequencyAt(double y) const;
  // The row that holds frequency hz, held to the band.
  int32_t RowOf(double hz) const;
  int32_t Height() const { return height_; }

 private:
  double ToAxis(double hz) const;
  double FromAxis(double value) const;

  TFrequencyScale scale_;
  int32_t height_;
  double nyquist_;
  double low_ = 0;
  double high_ = 1;
};

// For each row of an axis, the bins of a window of size whose levels it shows (the maximum
// over first..last).
struct TRowBins {
  int32_t first = 0;
  int32_t last = 0;
};
std::vector<TRowBins> RowBins(const TFrequencyAxis& axis, int32_t window, uint32_t sampleRate);

// Labelled ticks of an axis: "100 Hz", "2 kHz" ... at round frequencies, at least spacing
// pixels apart.
struct TFrequencyTick {
  double hz = 0;
  int32_t y = 0;
};
std::vector<TFrequencyTick> FrequencyTicks(const TFrequencyAxis& axis, uint32_t sampleRate,
                                           int32_t spacing);

}  // namespace quillon
