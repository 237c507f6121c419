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

void ApplyFade(int16_t* samples, uint64_t frames, int channels, uint64_t first, uint64_t n,
               bool fadeIn) {
  const double step = FadeAngle(1, n);
  const double stepSin = std::sin(step), stepCos = std::cos(step);
  double gains[kRotationRun];
  std::vector<int16_t> original(kRotationRun * channels);
  for (uint64_t run = 0; run < frames; run += kRotationRun) {
    uint64_t count = std::min(frames - run, kRotationRun);
    double angle = FadeAngle(first + run, n);
    double s = std::sin(angle), c = std::cos(angle);
    for (uint64_t f = 0; f < count; ++f) {
      gains[f] = fadeIn ? s : c;
      double nextS = s * stepCos + c * stepSin;
      c = c * stepCos - s * stepSin;
      s = nextS;
    }
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
