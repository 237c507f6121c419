#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillon {

// Rounds half to even without a library call, so that loops over samples vectorise. Exact for
// |x| < 2^51.
inline double RoundHalfEven(double x) {
  constexpr double kRounder = 6755399441055744.0;  // 1.5 * 2^52
  return (x + kRounder) - kRounder;
}

// Clips to low..32767, then truncates toward zero (the bounds are whole, so the order of the
// two does not matter, and clipping first keeps the conversion defined).
inline int16_t ClipToSample(double x, double low) {
  // min and max rather than comparisons, so that vector loops use the processor's own.
  return static_cast<int16_t>(std::max(low, std::min(x, 32767.0)));
}

// Normalization: rounded, then clipped to -32768..32767.
inline int16_t NormalizeSample(int16_t s, double gain) {
  return ClipToSample(RoundHalfEven(s * gain), -32768.0);
}

// The amplification factor is a 32-bit float: 101 % multiplies by 1.0099999904632568.
inline double AmplifyFactor(uint32_t percent) {
  return static_cast<double>(static_cast<float>(percent / 100.0));
}

// Amplification: truncated, then clipped to -32767..32767.
inline int16_t AmplifySample(int16_t s, double factor) {
  return ClipToSample(s * factor, -32767.0);
}

// Two's-complement negation: -32768 stays -32768.
inline int16_t InvertSample(int16_t s) {
  return static_cast<int16_t>(static_cast<uint16_t>(-static_cast<uint16_t>(s)));
}

// Inverts a span of samples in place, with the processor's widest vectors.
void InvertSamples(int16_t* samples, size_t count);

// Amplifies a span of samples in place, with the processor's widest vectors, bit for bit as
// AmplifySample.
void AmplifySamples(int16_t* samples, size_t count, double factor);

// An effect whose result depends on a sample's value alone, as a table of all 65536 answers:
// for a gain of any double value a lookup is cheaper than converting every sample to floating
// point and back.
class TSampleTable {
 public:
  template <typename TRule>
  explicit TSampleTable(TRule rule) : table_(65536) {
    for (int v = -32768; v <= 32767; ++v) table_[v + 32768] = rule(static_cast<int16_t>(v));
  }
  void Apply(int16_t* samples, size_t count) const {
    for (size_t i = 0; i < count; ++i) samples[i] = table_[samples[i] + 32768];
  }

 private:
  std::vector<int16_t> table_;
};

// The gain of frame i of a fade over n frames: the sine (fade in) or cosine (fade out) of
// i * 90 / n degrees.
double FadeGain(uint64_t i, uint64_t n, bool fadeIn);

// Applies a fade to frames of interleaved samples, the first of them being frame `first` of the
// fade: each sample becomes round(sample * FadeGain), bit for bit, but computing the gains by
// rotation instead of one sine per frame.
void ApplyFade(int16_t* samples, uint64_t frames, int channels, uint64_t first, uint64_t n,
               bool fadeIn);

}  // namespace quillon
