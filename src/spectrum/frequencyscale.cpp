#include "spectrum/frequencyscale.h"

#include <algorithm>
#include <cmath>

namespace quillon {

namespace {

double Mel(double hz) {
  return 2595.0 * std::log10(1.0 + hz / 700.0);
}
double FromMel(double mel) {
  return 700.0 * (std::pow(10.0, mel / 2595.0) - 1.0);
}

}  // namespace

TFrequencyAxis::TFrequencyAxis(TFrequencyScale scale, int32_t height, uint32_t sampleRate)
    : scale_(scale), height_(std::max(1, height)), nyquist_(std::max(1u, sampleRate) / 2.0) {
  const double lowest =
      scale_ == TFrequencyScale::Log ? std::min(kLogScaleLowestHz, nyquist_ / 2) : 0;
  low_ = ToAxis(lowest);
  high_ = ToAxis(nyquist_);
}

double TFrequencyAxis::ToAxis(double hz) const {
  switch (scale_) {
    case TFrequencyScale::Linear:
      return hz;
    case TFrequencyScale::Log:
      return std::log(std::max(hz, 1e-3));
    case TFrequencyScale::Mel:
      return Mel(hz);
  }
  return hz;
}

double TFrequencyAxis::FromAxis(double value) const {
  switch (scale_) {
    case TFrequencyScale::Linear:
      return value;
    case TFrequencyScale::Log:
      return std::exp(value);
    case TFrequencyScale::Mel:
      return FromMel(value);
  }
  return value;
}

double TFrequencyAxis::FrequencyAt(double y) const {
  return FromAxis(high_ - (high_ - low_) * y / height_);
}

int32_t TFrequencyAxis::RowOf(double hz) const {
  const double y = (high_ - ToAxis(hz)) / (high_ - low_) * height_;
  return static_cast<int32_t>(std::clamp(std::floor(y), 0.0, height_ - 1.0));
}

std::vector<TRowBins> RowBins(const TFrequencyAxis& axis, int32_t window, uint32_t sampleRate) {
  std::vector<TRowBins> rows(axis.Height());
  const double binsPerHz = static_cast<double>(window) / std::max(1u, sampleRate);
  const int32_t lastBin = window / 2;
  for (int32_t y = 0; y < axis.Height(); ++y) {
    // The row spans from its bottom edge's frequency to its top edge's.
    const double low = axis.FrequencyAt(y + 1) * binsPerHz;
    const double high = axis.FrequencyAt(y) * binsPerHz;
    int32_t first = static_cast<int32_t>(std::ceil(low - 0.5));
    int32_t last = static_cast<int32_t>(std::floor(high + 0.5 - 1e-9));
    // Rows narrower than a bin show the bin nearest their middle.
    if (last < first) first = last = static_cast<int32_t>(std::lround((low + high) / 2));
    rows[y] = {std::clamp(first, 0, lastBin), std::clamp(last, 0, lastBin)};
  }
  return rows;
}

std::vector<TFrequencyTick> FrequencyTicks(const TFrequencyAxis& axis, uint32_t sampleRate,
                                           int32_t spacing) {
  std::vector<TFrequencyTick> ticks;
  const double nyquist = sampleRate / 2.0;
  int32_t lastY = axis.Height() + spacing;
  for (double decade = 10; decade < nyquist; decade *= 10)
    for (double m : {1.0, 2.0, 5.0}) {
      const double hz = decade * m;
      if (hz >= nyquist) break;
      const int32_t y = axis.RowOf(hz);
      if (hz < axis.FrequencyAt(axis.Height()) || lastY - y < spacing) continue;
      ticks.push_back({hz, y});
      lastY = y;
    }
  return ticks;
}

}  // namespace quillon
