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

double FadeGain(uint64_t i, uint64_t n, bool fadeIn) {
  double angle = FadeAngle(i, n);
  return fadeIn ? std::sin(angle) : std::cos(angle);
}

// Rounds samples times their frame's gain; counts the products too close to a rounding boundary
// to trust the computed gain with.
template <int kChannels>
QUILLON_VECTOR_CLONES size_t ScaleByGains(int16_t* samples, const double* gains, size_t frames) {
  size_t doubtful = 0;
  for (size_t f = 0; f < frames; ++f)
    for (int k = 0; k < kChannels; ++k) {
      double x = samples[f * kChannels + k] * gains[f];
      double rounded = RoundHalfEven(x);
      doubtful += std::abs(x - rounded) > 0.5 - kGuard;
      samples[f * kChannels + k] = static_cast<int16_t>(rounded);
    }
  return doubtful;
}

// The gains of count frames from frame i of a fade by rotation: four rotations side by side,
// each four frames apart, so that the processor runs them in parallel rather than one long
// chain of dependent products.
void RotateGains(double* gains, uint64_t i, uint64_t count, uint64_t n, bool fadeIn) {
  constexpr int kChains = 4;
  const double step = FadeAngle(kChains, n);
  const double stepSin = std::sin(step), stepCos = std::cos(step);
  double s[kChains], c[kChains];
  for (int j = 0; j < kChains; ++j) {
    const double angle = FadeAngle(i + j, n);
    s[j] = std::sin(angle);
    c[j] = std::cos(angle);
  }
  for (uint64_t f = 0; f < count; f += kChains)
    for (int j = 0; j < kChains; ++j) {
      if (f + j < count) gains[f + j] = fadeIn ? s[j] : c[j];
      const double nextS = s[j] * stepCos + c[j] * stepSin;
      c[j] = c[j] * stepCos - s[j] * stepSin;
      s[j] = nextS;
    }
}

void ApplyFade(int16_t* samples, uint64_t frames, int channels, uint64_t first, uint64_t n,
               bool fadeIn) {
  double gains[kRotationRun];
  std::vector<int16_t> original(kRotationRun * channels);
  for (uint64_t run = 0; run < frames; run += kRotationRun) {
    uint64_t count = std::min(frames - run, kRotationRun);
    RotateGains(gains, first + run, count, n, fadeIn);
    int16_t* run_samples = samples + run * channels;
    std::copy_n(run_samples, count * channels, original.begin());
    size_t doubtful = channels == 1 ? ScaleByGains<1>(run_samples, gains, count)
                                    : ScaleByGains<2>(run_samples, gains, count);
    if (doubtful == 0) continue;
    // Rare: redo the products near a boundary with the exactly computed gain.
    for (uint64_t f = 0; f < count; ++f)
      for (int k = 0; k < channels; ++k) {
        double x = original[f * channels + k] * gains[f];
        if (std::abs(x - RoundHalfEven(x)) > 0.5 - kGuard)
          run_samples[f * channels + k] = static_cast<int16_t>(
              RoundHalfEven(original[f * channels + k] * FadeGain(first + run + f, n, fadeIn)));
      }
  }
}

}  // namespace quillon
