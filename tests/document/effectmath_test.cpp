#include "document/effectmath.h"

#include <gtest/gtest.h>

#include <random>

namespace quillon {
namespace {

TEST(EffectMathTest, AmplifyFactorIsAFloat) {
  EXPECT_EQ(AmplifyFactor(101), 1.0099999904632568);
  EXPECT_EQ(AmplifyFactor(10), static_cast<double>(0.1f));
}

TEST(EffectMathTest, RoundingGoesHalfToEven) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-32768.4), -32768);
  EXPECT_EQ(NormalizeSample(-32768, 1.5), -32768);
  EXPECT_EQ(NormalizeSample(32767, 1.5), 32767);
}

// The vector form of amplify must give the per-sample rule's result for every sample value,
// whether the factor takes the integer form or, out of its range, the floating one.
TEST(EffectMathTest, AmplifyOfEverySampleValueMatchesTheRule) {
  std::vector<int16_t> every(65536);
  for (int v = -32768; v <= 32767; ++v) every[v + 32768] = static_cast<int16_t>(v);
  for (uint32_t percent : {0u, 1u, 7u, 10u, 33u, 50u, 99u, 100u, 101u, 150u, 199u, 200u, 333u,
                           1000u, 5000u, 65535u, 6553600u, 4294967295u}) {
    const double factor = AmplifyFactor(percent);
    std::vector<int16_t> amplified = every;
    AmplifySamples(amplified.data(), amplified.size(), factor);
    for (size_t i = 0; i < every.size(); ++i)
      ASSERT_EQ(amplified[i], AmplifySample(every[i], factor))
          << "percent " << percent << " sample " << every[i];
  }
}

// The fade computes its gains from sum formulas over a table; the result must equal, sample for
// sample, rounding each sample times the sine or cosine of its own angle.
TEST(EffectMathTest, FadeMatchesTheSampleBySampleDefinition) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> value(-32768, 32767);
  for (uint64_t n : {1ull, 2ull, 3ull, 4ull, 90ull, 1000ull, 65537ull, 3000000ull}) {
    for (int channels : {1, 2}) {
      for (bool fadeIn : {true, false}) {
        uint64_t frames = std::min<uint64_t>(n, 200000);
        uint64_t first = n - frames;  // the end of long fades, the largest angles
        std::vector<int16_t> samples(frames * channels);
        for (auto& s : samples) s = static_cast<int16_t>(value(random));
        // Values that land on rounding boundaries for some gains.
        for (size_t i = 0; i < samples.size(); i += 7)
          samples[i] = static_cast<int16_t>(i % 2 ? 1 : 2);
        std::vector<int16_t> faded = samples;
        ApplyFade(faded.data(), frames, channels, first, n, fadeIn);
        for (uint64_t f = 0; f < frames; ++f) {
          double gain = FadeGain(first + f, n, fadeIn);
          for (int c = 0; c < channels; ++c) {
            int16_t s = samples[f * channels + c];
            ASSERT_EQ(faded[f * channels + c], static_cast<int16_t>(std::nearbyint(s * gain)))
                << "n " << n << " frame " << first + f << " fadeIn " << fadeIn;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace quillon
