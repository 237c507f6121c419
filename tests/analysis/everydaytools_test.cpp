// The channel edits and Normalize Loudness on a document, against the test's own arithmetic and
// a second measurement.
#include <gtest/gtest.h>

#include <cmath>

#include "analysis/loudness.h"
#include "analysis/loudnessgain.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

const std::vector<int16_t> kStereo{100, -300, 7, 8, -32768, 32767, 5, -6, -1, 2};

struct TRemixRow {
  const char* name;
  uint16_t channels;
  std::vector<int16_t> source;
  std::function<bool(Twavefile&)> request;
  uint16_t expectedChannels;
  std::vector<int16_t> expected;
};

class RemixTest : public ::testing::TestWithParam<TRemixRow> {};

TEST_P(RemixTest, MakesTheChannelsAndUndoBringsThemBack) {
  const TRemixRow& row = GetParam();
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(row.channels, row.source, 8000));
  const bool started = h.Run(row.request);
  EXPECT_EQ(started, row.expected != row.source);
  EXPECT_EQ(h.document.Channels(), row.expectedChannels);
  EXPECT_EQ(h.Samples(), row.expected);
  EXPECT_EQ(h.document.FrameCount(), row.expected.size() / row.expectedChannels);
  if (started) {
    h.document.Undo();
    h.WaitIdle();
    EXPECT_EQ(h.Samples(), row.source);
    EXPECT_EQ(h.document.Channels(), row.channels);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RemixTest,
    ::testing::Values(
        // The mean rounds halves away from zero: (100 - 300) / 2 = -100, (7 + 8) / 2 = 7.5 -> 8.
        TRemixRow{"MonoAverage",
                  2,
                  kStereo,
                  [](Twavefile& d) { return d.ToMono(TMonoMix::Average); },
                  1,
                  {-100, 8, -1, -1, 1}},
        TRemixRow{"MonoLeft",
                  2,
                  kStereo,
                  [](Twavefile& d) { return d.ToMono(TMonoMix::Left); },
                  1,
                  {100, 7, -32768, 5, -1}},
        TRemixRow{"MonoRight",
                  2,
                  kStereo,
                  [](Twavefile& d) { return d.ToMono(TMonoMix::Right); },
                  1,
                  {-300, 8, 32767, -6, 2}},
        TRemixRow{"Swap",
                  2,
                  kStereo,
                  [](Twavefile& d) { return d.SwapChannels(); },
                  2,
                  {-300, 100, 8, 7, 32767, -32768, -6, 5, 2, -1}},
        TRemixRow{"Stereo",
                  1,
                  {1, -2, 3},
                  [](Twavefile& d) { return d.ToStereo(); },
                  2,
                  {1, 1, -2, -2, 3, 3}},
        TRemixRow{"MonoOfMonoRefused",
                  1,
                  {1, -2, 3},
                  [](Twavefile& d) { return d.ToMono(TMonoMix::Average); },
                  1,
                  {1, -2, 3}},
        TRemixRow{"SwapOfMonoRefused",
                  1,
                  {1, -2, 3},
                  [](Twavefile& d) { return d.SwapChannels(); },
                  1,
                  {1, -2, 3}},
        TRemixRow{"StereoOfStereoRefused", 2, kStereo, [](Twavefile& d) { return d.ToStereo(); }, 2,
                  kStereo}),
    [](const auto& info) { return std::string(info.param.name); });

struct TGainRow {
  const char* name;
  double integrated, truePeak;
  TLoudnessTarget target;
  std::optional<double> gainDb;
  bool limited;
};

class LoudnessGainTest : public ::testing::TestWithParam<TGainRow> {};

TEST_P(LoudnessGainTest, MeetsTheTargetOrTheCeiling) {
  const TGainRow& row = GetParam();
  const auto gain = GainForTarget(row.integrated, row.truePeak, row.target);
  ASSERT_EQ(gain.has_value(), row.gainDb.has_value());
  if (!gain) return;
  EXPECT_NEAR(gain->gainDb, *row.gainDb, 1e-9);
  EXPECT_EQ(gain->limitedByCeiling, row.limited);
  EXPECT_NEAR(gain->resultLufs, row.integrated + *row.gainDb, 1e-9);
  EXPECT_LE(row.truePeak + gain->gainDb, row.target.ceilingDbtp + 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LoudnessGainTest,
    ::testing::Values(TGainRow{"Up", -24, -10, {-16, -1}, 8, false},
                      TGainRow{"Down", -9, -0.5, {-16, -1}, -7, false},
                      TGainRow{"HeldByTheCeiling", -20, -3, {-14, -1}, 2, true},
                      TGainRow{"Silence", -INFINITY, -INFINITY, {-16, -1}, std::nullopt, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoudnessTargetTest, RefusesTargetsAboveZeroAndCeilingsAboveZero) {
  EXPECT_FALSE(TargetRefusal({-16, -1}));
  EXPECT_TRUE(TargetRefusal({1, -1}));
  EXPECT_TRUE(TargetRefusal({-16, 0.5}));
  EXPECT_TRUE(TargetRefusal({NAN, -1}));
}

// The measured result after the edit, by the same meter: the target, and nothing clips.
TEST(NormalizeLoudnessTest, ReachesTheTargetMeasuredAgain) {
  TDocumentHarness h;
  std::vector<int16_t> samples(2 * 8000 * 6);
  for (size_t f = 0; f < samples.size() / 2; ++f)
    samples[2 * f] = samples[2 * f + 1] = static_cast<int16_t>(3000 * std::sin(f * 0.31));
  ASSERT_TRUE(h.OpenSamples(2, samples, 8000));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.ApplyGain(LoudnessGainPlanner({-16, -1})); }));
  const auto state = h.document.State();
  const TLoudness after = MeasureLoudness({state->samples.get(), 2, 8000, 0, state->frameCount});
  EXPECT_NEAR(after.integratedLufs, -16, 0.1);
  EXPECT_LE(after.truePeakDbtp, -1 + 0.1);
}

}  // namespace
}  // namespace quillon
