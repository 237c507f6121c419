#include <gtest/gtest.h>

#include <cmath>

#include "support/document_harness.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

std::vector<int16_t> RunEffect(const std::vector<int16_t>& samples, uint16_t channels,
                               const std::function<bool(Twavefile&)>& effect) {
  TDocumentHarness h;
  EXPECT_TRUE(h.OpenSamples(channels, samples));
  EXPECT_TRUE(h.Run(effect));
  EXPECT_TRUE(h.document.Loaded());
  EXPECT_EQ(h.document.UndoStack().Count(), 1u);
  EXPECT_EQ(h.document.FrameCount(), samples.size() / channels);
  return h.Samples();
}

TEST(EffectsTest, NormalizeScalesByThePositivePeakAndClips) {
  // Peak 16384; the negative excursion beyond it clips at -32768.
  std::vector<int16_t> samples{16384, -32768, 100, 0, -1};
  EXPECT_EQ(RunEffect(samples, 1, [](Twavefile& d) { return d.Normalize(95); }),
            (std::vector<int16_t>{31130, -32768, 190, 0, -2}));
  // 100 %: the peak itself would be 32768 and clips to 32767.
  EXPECT_EQ(RunEffect({16384, 8192}, 1, [](Twavefile& d) { return d.Normalize(100); }),
            (std::vector<int16_t>{32767, 16384}));
}

TEST(EffectsTest, NormalizingSilenceLeavesItAsItIs) {
  std::vector<int16_t> negative{0, -5, -300, 0};
  EXPECT_EQ(RunEffect(negative, 2, [](Twavefile& d) { return d.Normalize(95); }), negative);
}

TEST(EffectsTest, AmplifyTruncatesWithAFloatFactorAndClipsSymmetrically) {
  std::vector<int16_t> samples{100, -100, 1000, 20000, -20000, -32768};
  EXPECT_EQ(RunEffect(samples, 2, [](Twavefile& d) { return d.Amplify(101); }),
            (std::vector<int16_t>{100, -100, 1009, 20199, -20199, -32767}));
  EXPECT_EQ(RunEffect(samples, 1, [](Twavefile& d) { return d.Amplify(10); }),
            (std::vector<int16_t>{10, -10, 100, 2000, -2000, -3276}));
  EXPECT_EQ(RunEffect(samples, 1, [](Twavefile& d) { return d.Amplify(200); }),
            (std::vector<int16_t>{200, -200, 2000, 32767, -32767, -32767}));
}

TEST(EffectsTest, InvertNegatesAndKeepsTheLowestValue) {
  EXPECT_EQ(RunEffect({32767, -32768, 0, 5}, 1, [](Twavefile& d) { return d.Invert(); }),
            (std::vector<int16_t>{-32767, -32768, 0, -5}));
}

// Effects that pass every sample through memory index the new store as they write it; the
// index must be the one a second pass over the store would build, block for block, across chunk
// boundaries, ranges that start and end inside a block and a last block that is not full.
TEST(EffectsTest, TheIndexBuiltWhileWritingEqualsARebuildOfTheNewStore) {
  const std::vector<std::pair<const char*, std::function<bool(Twavefile&)>>> effects = {
      {"amplify", [](Twavefile& d) { return d.Amplify(150); }},
      {"normalize", [](Twavefile& d) { return d.Normalize(90); }},
      {"invert", [](Twavefile& d) { return d.Invert(); }},
      {"reverse", [](Twavefile& d) { return d.Reverse(); }},
      {"fade in inside", [](Twavefile& d) { return d.FadeIn(700, 69000); }},
      {"fade out to the end", [](Twavefile& d) { return d.FadeOut(33, 70001); }},
      {"reverse within",
       [](Twavefile& d) {
         return d.Reverse({33, 70001});
       }},
  };
  for (uint16_t channels : {1, 2}) {
    std::vector<int16_t> samples(70001u * channels);
    for (size_t i = 0; i < samples.size(); ++i)
      samples[i] = static_cast<int16_t>((i * 7919) % 50000 - 25000 + (i % 1300 == 0 ? 7000 : 0));
    for (const auto& [name, effect] : effects) {
      SCOPED_TRACE(std::string(name) + ", channels " + std::to_string(channels));
      TDocumentHarness h;
      ASSERT_TRUE(h.OpenSamples(channels, samples));
      ASSERT_TRUE(h.Run(effect));
      const Tindexdata written = h.document.Index();
      const int16_t peak = h.document.Peak();
      const TChannelPeaks channelPeaks = h.document.ChannelPeaks();
      std::atomic<int32_t> progress{0};
      std::shared_ptr<const TAudioState> state = h.document.State();
      TPeakIndex rebuilt =
          BuildPeakIndex(*state->samples, state->channels, state->frameCount, progress);
      EXPECT_EQ(written, rebuilt.index);
      EXPECT_EQ(peak, rebuilt.peak);
      EXPECT_EQ(channelPeaks, rebuilt.channelPeaks);
    }
  }
}

TEST(EffectsTest, ReverseKeepsChannelsAndTwiceGivesBackTheSamples) {
  std::vector<int16_t> stereo;
  for (int f = 0; f < 70001; ++f) {  // more than one chunk, odd frame count
    stereo.push_back(static_cast<int16_t>(f % 30000));
    stereo.push_back(static_cast<int16_t>(-(f % 20000)));
  }
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(2, stereo));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Reverse(); }));
  std::vector<int16_t> reversed = h.Samples();
  for (size_t f = 0; f < 70001; f += 997) {
    EXPECT_EQ(reversed[2 * f], stereo[2 * (70000 - f)]);
    EXPECT_EQ(reversed[2 * f + 1], stereo[2 * (70000 - f) + 1]);
  }
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Reverse(); }));
  EXPECT_EQ(h.Samples(), stereo);
}

TEST(EffectsTest, FadesApplyToTheRangeOnly) {
  std::vector<int16_t> samples(2 * 6, 10000);
  std::vector<int16_t> in = RunEffect(samples, 2, [](Twavefile& d) { return d.FadeIn(1, 5); });
  // Gains 0, 0.3827, 0.7071, 0.9239 on frames 1 to 4; frames 0 and 5 untouched.
  EXPECT_EQ(in, (std::vector<int16_t>{10000, 10000, 0, 0, 3827, 3827, 7071, 7071, 9239, 9239, 10000,
                                      10000}));
  std::vector<int16_t> out = RunEffect(samples, 2, [](Twavefile& d) { return d.FadeOut(1, 5); });
  EXPECT_EQ(out, (std::vector<int16_t>{10000, 10000, 10000, 10000, 9239, 9239, 7071, 7071, 3827,
                                       3827, 10000, 10000}));
  // An empty range changes nothing but is still a step.
  EXPECT_EQ(RunEffect(samples, 1, [](Twavefile& d) { return d.FadeIn(3, 3); }), samples);
}

TEST(EffectsTest, FadeOutOverEverythingEndsShortOfSilence) {
  std::vector<int16_t> samples(1000, 30000);
  std::vector<int16_t> out = RunEffect(samples, 1, [](Twavefile& d) { return d.FadeOut(0, 1000); });
  EXPECT_EQ(out.front(), 30000);
  double lastGain = std::cos(90.0 * 999 / 1000 * M_PI / 180);
  EXPECT_EQ(out.back(), static_cast<int16_t>(std::nearbyint(30000 * lastGain)));
  EXPECT_NE(out.back(), 0);
}

}  // namespace
}  // namespace quillon
