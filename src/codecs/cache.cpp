#include "codecs/cache.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/vectorclones.h"

namespace quillon {

double AmplitudeToDb(double amplitude) {
  if (amplitude <= 0) return -90;
  return 20.0 * std::log10(amplitude / 32768.0);
}

int32_t PeakToDb(int32_t peak) {
  if (peak == 0) return -90;
  return static_cast<int32_t>(std::nearbyint(AmplitudeToDb(peak)));
}

TFilter::TFilter(int channels)
    : blockSamples_(static_cast<size_t>(channels) * kIndexBlockFrames), channels_(channels) {}

void TFilter::AddSamples(const int16_t* samples, int32_t byteCount) {
  const int32_t blockSize = channels_ * static_cast<int32_t>(kIndexBlockFrames);
  int32_t remaining = byteCount / 2;
  while (remaining > 0) {
    // A full block is closed only when the next sample arrives.
    if (samplesInBlock_ == blockSize) {
      CloseBlock();
      samplesInBlock_ = 0;
    }
    // A whole block with more samples after it is closed where it lies, without a copy.
    if (samplesInBlock_ == 0 && remaining > blockSize) {
      CloseBlockOf(samples, blockSize);
      samples += blockSize;
      remaining -= blockSize;
      continue;
    }
    int32_t take = std::min(remaining, blockSize - samplesInBlock_);
    std::memcpy(blockSamples_.data() + samplesInBlock_, samples, sizeof(int16_t) * take);
    samplesInBlock_ += take;
    samples += take;
    remaining -= take;
  }
}

namespace {

// Reductions into plain locals, one per channel, rather than into the caller's arrays, which
// could alias the samples: so the compiler vectorises the loop.
QUILLON_VECTOR_CLONES void ScanMono(const int16_t* s, int32_t frames, TChannelPeaks& maximum,
                                    TChannelPeaks& minimum) {
  int16_t high = maximum[0], low = minimum[0];
  for (int32_t f = 0; f < frames; ++f) {
    high = std::max(high, s[f]);
    low = std::min(low, s[f]);
  }
  maximum[0] = high;
  minimum[0] = low;
}

QUILLON_VECTOR_CLONES void ScanStereo(const int16_t* s, int32_t frames, TChannelPeaks& maximum,
                                      TChannelPeaks& minimum) {
  int16_t highLeft = maximum[0], highRight = maximum[1];
  int16_t lowLeft = minimum[0], lowRight = minimum[1];
  for (int32_t f = 0; f < frames; ++f) {
    highLeft = std::max(highLeft, s[2 * f]);
    highRight = std::max(highRight, s[2 * f + 1]);
    lowLeft = std::min(lowLeft, s[2 * f]);
    lowRight = std::min(lowRight, s[2 * f + 1]);
  }
  maximum[0] = highLeft;
  maximum[1] = highRight;
  minimum[0] = lowLeft;
  minimum[1] = lowRight;
}

}  // namespace

void ScanExtremes(const int16_t* s, int32_t frames, int32_t channels, TChannelPeaks& maximum,
                  TChannelPeaks& minimum) {
  switch (channels) {
    case 1:
      return ScanMono(s, frames, maximum, minimum);
    case 2:
      return ScanStereo(s, frames, maximum, minimum);
    default:
      for (int32_t f = 0; f < frames; ++f)
        for (int32_t c = 0; c < channels; ++c, ++s) {
          maximum[c] = std::max(maximum[c], *s);
          minimum[c] = std::min(minimum[c], *s);
        }
  }
}

void TFilter::CloseBlock() {
  CloseBlockOf(blockSamples_.data(), samplesInBlock_);
}

void TFilter::CloseBlockOf(const int16_t* samples, int32_t count) {
  entryCount_ += channels_;
  index_.resize(static_cast<size_t>(entryCount_));
  int32_t frames = std::min<int32_t>(count / channels_, kIndexBlockFrames);
  TChannelPeaks maximum{}, minimum{};
  ScanExtremes(samples, frames, channels_, maximum, minimum);
  const int32_t lastPeak = overallPeak_;
  for (int32_t c = 0; c < channels_; ++c) {
    channelPeaks_[c] =
        static_cast<int16_t>(std::max(std::abs(maximum[c]), std::abs(channelPeaks_[c])));
    index_[entryCount_ - channels_ + c] = {maximum[c], minimum[c]};
    overallPeak_ = std::max<int32_t>(overallPeak_, maximum[c]);
  }
  // The level follows the peak alone: a logarithm per block would cost more than the scan.
  if (overallPeak_ != lastPeak) peakLevel_ = PeakToDb(overallPeak_);
}

void TFilter::GetIndex(Tindexdata& index) {
  CloseBlock();
  index.assign(static_cast<size_t>(entryCount_ + channels_), Tindextype{});
  std::copy(index_.begin(), index_.end(), index.begin());
}

Tcoarseindex CoarsenIndex(const Tindexdata& index, int channels) {
  Tcoarseindex coarse;
  if (channels <= 0) return coarse;
  const size_t groups = index.size() / channels / kCoarseBlocks;
  coarse.resize(groups * channels);
  for (size_t g = 0; g < groups; ++g)
    for (int c = 0; c < channels; ++c) {
      // First occurrences, as a column of the view finds them block by block.
      TCoarsePeak peak{-32768, 32767, false};
      uint32_t maxAt = 0, minAt = 0;
      // Without branches: the extremes of noise change too irregularly to be guessed.
      for (uint32_t q = 0; q < kCoarseBlocks; ++q) {
        const Tindextype& entry = index[(g * kCoarseBlocks + q) * channels + c];
        const bool higher = entry.max > peak.max, lower = entry.min < peak.min;
        peak.max = higher ? entry.max : peak.max;
        maxAt = higher ? q : maxAt;
        peak.min = lower ? entry.min : peak.min;
        minAt = lower ? q : minAt;
      }
      peak.minFirst = maxAt > minAt;
      coarse[g * channels + c] = peak;
    }
  return coarse;
}

void TFilter::GetPeaks(TChannelPeaks& channelPeaks, int16_t& overallPeak,
                       int32_t& peakLevel) const {
  channelPeaks.fill(0);
  std::copy_n(channelPeaks_.begin(), channels_, channelPeaks.begin());
  overallPeak = static_cast<int16_t>(overallPeak_);
  peakLevel = peakLevel_;
}

}  // namespace quillon
