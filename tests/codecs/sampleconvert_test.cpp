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

TEST(SampleConvert, ClampsSilencesNaNAndRoundsHalvesToEven) {
  const float inf = std::numeric_limits<float>::infinity();
  const std::vector<std::pair<float, int16_t>> cases = {{0.0f, 0},
                                                        {1.0f, 32767},
                                                        {-1.0f, -32768},
                                                        {1.5f, 32767},
                                                        {-7.0f, -32768},
                                                        {inf, 32767},
                                                        {-inf, -32768},
                                                        {std::nanf(""), 0},
                                                        {-std::nanf(""), 0},
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
  const double doubles[] = {std::nan(""), -std::nan("")};
  int16_t fromDoubles[2] = {99, 99};
  DoublesToSamples(doubles, fromDoubles, 2);
  EXPECT_EQ(std::vector<int16_t>(fromDoubles, fromDoubles + 2), std::vector<int16_t>(2, 0));
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

// The nearest 16-bit value to `exact` 16-bit units, halves to even, clamped; computed in long
// double, which holds every 64-bit integer and every double exactly.
int16_t Exact(long double exact) {
  if (!(exact > -32768)) return -32768;
  if (exact >= 32767) return 32767;
  return static_cast<int16_t>(std::nearbyintl(exact));
}

TEST(SampleConvert, IntegerSamplesRoundOnceHalvesToEven) {
  struct TCase {
    int64_t value;  // in 16-bit units times 2^16
    int16_t expected;
  };
  const std::vector<TCase> cases = {{0, 0},
                                    {0x8000, 0},  // 0.5
                                    {0x8001, 1},
                                    {0x7FFF, 0},
                                    {0x18000, 2},  // 1.5
                                    {0x28000, 2},  // 2.5
                                    {0x27FFF, 2},
                                    {0x28001, 3},
                                    {-0x8000, 0},    // -0.5
                                    {-0x18000, -2},  // -1.5
                                    {-0x28000, -2},  // -2.5
                                    {-0x28001, -3},
                                    {-0x27FFF, -2},
                                    {int32_t(0xA2657FFF), -23963},  // -23962.50002
                                    {int32_t(0xA2658000), -23962},  // -23962.5
                                    {0x7FFF7FFF, 32767},
                                    {0x7FFF8000, 32767},  // 32767.5: 32768, clamped
                                    {INT32_MAX, 32767},
                                    {INT32_MIN, -32768},
                                    {-0x7FFF8000, -32768}};  // -32767.5
  for (const TCase& c : cases) {
    EXPECT_EQ(S32ToSample(static_cast<int32_t>(c.value)), c.expected) << std::hex << c.value;
    // The same values in 64 bits, and a hair beside them, which decides only at a tie.
    const int64_t wide = c.value * (int64_t{1} << 32);
    EXPECT_EQ(S64ToSample(wide), c.expected) << std::hex << c.value;
    for (int64_t hair : {-1, 1}) {
      if (wide == INT64_MIN && hair < 0) continue;
      const bool tie = (c.value & 0xFFFF) == 0x8000;
      // Off a tie, the nearest value up or down.
      const long double below = std::floor(static_cast<long double>(c.value) / 65536);
      EXPECT_EQ(S64ToSample(wide + hair), tie ? Exact(hair > 0 ? below + 1 : below) : c.expected)
          << std::hex << c.value << " " << hair;
    }
  }
  EXPECT_EQ(S64ToSample(INT64_MAX), 32767);
  EXPECT_EQ(S64ToSample(INT64_MIN), -32768);
}

// Every format, packed (stride 1) and as one plane of a stereo frame (stride 2): each sample
// lands at its place and nothing is written between or after.
TEST(SampleConvert, EveryFormatPackedAndPlanar) {
  const uint8_t u8[] = {0, 128, 255, 129};
  const int16_t s16[] = {-32768, 0, 32767, 1};
  const int32_t s32[] = {INT32_MIN, 0x8000, INT32_MAX, 0x18000};
  const int64_t s64[] = {INT64_MIN, int64_t{0x8000} << 32, INT64_MAX, int64_t{0x18000} << 32};
  const float flt[] = {-1.0f, 0.5f / 32768, 1.0f, 1.5f / 32768};
  const double dbl[] = {-1.0, 0.5 / 32768, 1.0, 1.5 / 32768};
  struct TCase {
    TSampleFormat format;
    const void* source;
    std::vector<int16_t> expected;
  };
  const std::vector<TCase> cases = {{TSampleFormat::u8, u8, {-32768, 0, 32512, 256}},
                                    {TSampleFormat::s16, s16, {-32768, 0, 32767, 1}},
                                    {TSampleFormat::s32, s32, {-32768, 0, 32767, 2}},
                                    {TSampleFormat::s64, s64, {-32768, 0, 32767, 2}},
                                    {TSampleFormat::flt, flt, {-32768, 0, 32767, 2}},
                                    {TSampleFormat::dbl, dbl, {-32768, 0, 32767, 2}}};
  for (const TCase& c : cases) {
    for (size_t stride : {1, 2}) {
      SCOPED_TRACE(testing::Message()
                   << "format " << static_cast<int>(c.format) << ", stride " << stride);
      std::vector<int16_t> dest(4 * stride + 1, 99);
      ConvertSamples(c.format, c.source, 4, dest.data(), stride);
      for (size_t i = 0; i < dest.size(); ++i)
        EXPECT_EQ(dest[i], i % stride == 0 && i / stride < 4 ? c.expected[i / stride] : 99) << i;
    }
  }
}

}  // namespace
}  // namespace quillon
