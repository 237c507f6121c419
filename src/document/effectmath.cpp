#include "document/effectmath.h"

#include <algorithm>
#include <numbers>
#include <vector>

#include "platform/vectorclones.h"

namespace quillon {

namespace {

double FadeAngle(uint64_t i, uint64_t n) {
  double step = 90.0 / static_cast<double>(n);
  return static_cast<double>(i) * step * (std::numbers::pi / 180.0);
}

// Frames between exact restarts of the rotation; its error stays far below kGuard.
constexpr uint64_t kRotationRun = 256;
// A product this close to a rounding boundary is recomputed with the exact gain.
constexpr double kGuard = 1e-6;

}  // namespace

QUILLON_VECTOR_CLONES void InvertSamples(int16_t* samples, size_t count) {
  for (size_t i = 0; i < count; ++i) samples[i] = InvertSample(samples[i]);
}

// The same double arithmetic as the per-sample rule, for factors the integer form cannot take.
QUILLON_VECTOR_CLONES void AmplifyInDoubles(int16_t* samples, size_t count, double factor) {
  for (size_t i = 0; i < count; ++i) samples[i] = AmplifySample(samples[i], factor);
}

// The factor is a float, m / 2^k with a 24-bit m: |s| * m / 2^k truncated is computed exactly
// in 32-bit integers as (|s| * high + (|s| * low >> 8)) >> (k - 8), m split in its high 16 and
// low 8 bits (|s| * high stays below 2^31), twice as many lanes as doubles and no conversions.
QUILLON_VECTOR_CLONES void AmplifyInIntegers(int16_t* samples, size_t count, uint32_t high,
                                             uint32_t low, uint32_t shift) {
  for (size_t i = 0; i < count; ++i) {
    const int32_t s = samples[i];
    const uint32_t magnitude = static_cast<uint32_t>(s < 0 ? -s : s);
    const uint32_t product = (magnitude * high + ((magnitude * low) >> 8)) >> shift;
    const int32_t clipped = static_cast<int32_t>(std::min(product, 32767u));
    samples[i] = static_cast<int16_t>(s < 0 ? -clipped : clipped);
  }
}

void AmplifySamples(int16_t* samples, size_t count, double factor) {
  int exponent = 0;
  const double mantissa = std::frexp(factor, &exponent);
  const int shift = 24 - exponent - 8;
  if (static_cast<double>(static_cast<float>(factor)) != factor || shift < 0 || shift > 31)
    return AmplifyInDoubles(samples, count, factor);
  const auto m = static_cast<uint32_t>(std::ldexp(mantissa, 24));
  AmplifyInIntegers(samples, count, m >> 8, m & 0xff, static_cast<uint32_t>(shift));
}

double FadeGain(uint64_t i, uint64_t n, bool fadeIn) {
  double angle = FadeAngle(i, n);
  return fadeIn ? std::sin(angle) : std::cos(angle);
}

namespace {

// Rounds samples times their gains; counts the products too close to a rounding boundary to
// trust the computed gain with.
QUILLON_VECTOR_CLONES size_t ScaleByGains(int16_t* samples, const double* gains, size_t count) {
  size_t doubtful = 0;
  for (size_t i = 0; i < count; ++i) {
    double x = samples[i] * gains[i];
    double rounded = RoundHalfEven(x);
    doubtful += std::abs(x - rounded) > 0.5 - kGuard;
    samples[i] = static_cast<int16_t>(rounded);
  }
  return doubtful;
}

// Sine and cosine of the angles 0 to kRotationRun - 1 frames into a fade of n frames.
struct TOffsetAngles {
  uint64_t n = 0;
  double sine[kRotationRun], cosine[kRotationRun];
};

const TOffsetAngles& OffsetAngles(uint64_t n) {
  thread_local TOffsetAngles angles;
  if (angles.n != n) {
    for (uint64_t j = 0; j < kRotationRun; ++j) {
      const double angle = FadeAngle(j, n);
      angles.sine[j] = std::sin(angle);
      angles.cosine[j] = std::cos(angle);
    }
    angles.n = n;
  }
  return angles;
}

// The gains of count frames from frame i of a fade, one per sample: the sum formulas from the
// exact sine and cosine of frame i and a table of the offsets, independent products that fill
// the processor's vectors instead of one sine per frame.
template <int kChannels>
QUILLON_VECTOR_CLONES void SumGains(double* gains, const TOffsetAngles& offsets, double sine,
                                    double cosine, uint64_t count, bool fadeIn) {
  for (uint64_t j = 0; j < count; ++j) {
    const double gain = fadeIn ? sine * offsets.cosine[j] + cosine * offsets.sine[j]
                               : cosine * offsets.cosine[j] - sine * offsets.sine[j];
    for (int k = 0; k < kChannels; ++k) gains[j * kChannels + k] = gain;
  }
}

}  // namespace

void ApplyFade(int16_t* samples, uint64_t frames, int channels, uint64_t first, uint64_t n,
               bool fadeIn) {
  const TOffsetAngles& offsets = OffsetAngles(n);
  double gains[kRotationRun * 2];
  std::vector<int16_t> original(kRotationRun * channels);
  for (uint64_t run = 0; run < frames; run += kRotationRun) {
    const uint64_t count = std::min(frames - run, kRotationRun);
    const double angle = FadeAngle(first + run, n);
    const double sine = std::sin(angle), cosine = std::cos(angle);
    if (channels == 1)
      SumGains<1>(gains, offsets, sine, cosine, count, fadeIn);
    else
      SumGains<2>(gains, offsets, sine, cosine, count, fadeIn);
    int16_t* run_samples = samples + run * channels;
    std::copy_n(run_samples, count * channels, original.begin());
    if (ScaleByGains(run_samples, gains, count * channels) == 0) continue;
    // Rare: redo the products near a boundary with the exactly computed gain.
    for (uint64_t f = 0; f < count; ++f)
      for (int k = 0; k < channels; ++k) {
        double x = original[f * channels + k] * gains[f * channels + k];
        if (std::abs(x - RoundHalfEven(x)) > 0.5 - kGuard)
          run_samples[f * channels + k] = static_cast<int16_t>(
              RoundHalfEven(original[f * channels + k] * FadeGain(first + run + f, n, fadeIn)));
      }
  }
}

}  // namespace quillon
