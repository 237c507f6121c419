#include "codecs/sampleconvert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace quillon {
namespace {

TEST(SampleConvert, ClampsNaNAndRoundsHalvesToEven) {
  const float inf = std::numeric_limits<float>::infinity();
  const std::vector<std::pair<float, int16_t>> cases = {{0.0f, 0},
                                                        {1.0f, 32767},
                                                        {-1.0f, -32768},
                                                        {1.5f, 32767},
                                                        {-7.0f, -32768},
                                                        {inf, 32767},
                                                        {-inf, -32768},
                                                        {std::nanf(""), -32768},
                                                        {2.5f / 32768, 2},
                                                        {3.5f / 32768, 4},
                                                        {-2.5f / 32768, -2},
                                                        {0.5f / 32768, 0},
                                                        {2.51f / 32768, 3},
                                                        {32766.5f / 32768, 32766},
                                                        {-32767.5f / 32768, -32768}};
  std::vector<float> source;
  for (auto [f, expected] : cases) {
    EXPECT_EQ(FloatToSample(f), expected) << f * 32768;
    source.push_back(f);
  }
  std::vector<int16_t> dest(cases.size() + 1, 99);
  FloatsToSamples(source.data(), dest.data(), source.size());
  for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(dest[i], cases[i].second) << i;
  EXPECT_EQ(dest.back(), 99);  // nothing written past the count
}

TEST(SampleConvert, EverySixteenBitValueRoundTrips) {
  for (int v = -32768; v <= 32767; ++v)
    ASSERT_EQ(FloatToSample(static_cast<float>(v) / 32768.0f), v);
}

TEST(SampleConvert, SpanConversionAgreesWithTheSingleSampleRuleAcrossFloats) {
  // A stride through every float bit pattern: NaNs, infinities, denormals and all magnitudes.
  std::vector<float> source;
  for (uint64_t bits = 0; bits <= UINT32_MAX; bits += 997) {
    float f;
    uint32_t b = static_cast<uint32_t>(bits);
    std::memcpy(&f, &b, sizeof f);
    source.push_back(f);
  }
  std::vector<int16_t> dest(source.size());
  FloatsToSamples(source.data(), dest.data(), source.size());
  for (size_t i = 0; i < source.size(); ++i)
    ASSERT_EQ(dest[i], FloatToSample(source[i])) << source[i];
}

}  // namespace
}  // namespace quillon
