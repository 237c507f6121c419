// Change Sample Rate against sox's own soxr at the same quality, undithered on both sides.
#include <gtest/gtest.h>

#include <cstdlib>

#include "document/operation.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

struct TRateRow {
  const char* name;
  uint32_t from, to;
  uint16_t channels;
  double seconds;
};

class ResampleTest : public ::testing::TestWithParam<TRateRow> {};

TEST_P(ResampleTest, MatchesSoxWithinOneStepAtTheExactLength) {
  const TRateRow& row = GetParam();
  TDocumentHarness h;
  const std::string source = h.files.File("source.wav"), reference = h.files.File("sox.wav");
  ASSERT_EQ(test::RunCommand("sox -n -b 16 -r " + std::to_string(row.from) + " -c " +
                             std::to_string(row.channels) + " '" + source + "' synth " +
                             std::to_string(row.seconds) +
                             " sine 300-3000 sine 997 vol 0.45 2>/dev/null"),
            0);
  ASSERT_EQ(test::RunCommand("sox -D '" + source + "' -r " + std::to_string(row.to) + " '" +
                             reference + "' rate -h"),
            0);
  ASSERT_TRUE(h.Open(source));
  const uint64_t frames = h.document.FrameCount();
  ASSERT_TRUE(h.Run([&](Twavefile& d) { return d.ChangeSampleRate(row.to, false); }));
  EXPECT_EQ(h.document.SampleRate(), row.to);
  EXPECT_EQ(h.document.FrameCount(), ResampledFrames(frames, row.from, row.to));
  const std::vector<int16_t> ours = h.Samples();
  const std::vector<int16_t> theirs = test::ReadWav16Samples(reference);
  const size_t common = std::min(ours.size(), theirs.size());
  ASSERT_GT(common, ours.size() * 99 / 100);
  size_t close = 0;
  for (size_t i = 0; i < common; ++i) close += std::abs(ours[i] - theirs[i]) <= 1;
  EXPECT_GE(static_cast<double>(close) / common, 0.999);
}

INSTANTIATE_TEST_SUITE_P(Rows, ResampleTest,
                         ::testing::Values(TRateRow{"Up44To48", 44100, 48000, 2, 3},
                                           TRateRow{"Down48To44", 48000, 44100, 2, 3},
                                           TRateRow{"Down44To22k", 44100, 22050, 1, 2},
                                           TRateRow{"Down96To44", 96000, 44100, 2, 2},
                                           TRateRow{"Up8kTo192k", 8000, 192000, 1, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ResampleEdgeTest, LengthsRoundAndRatesOutsideTheRangeAreRefused) {
  EXPECT_EQ(ResampledFrames(441, 44100, 48000), 480u);
  EXPECT_EQ(ResampledFrames(1, 44100, 8000), 0u);
  EXPECT_EQ(ResampledFrames(3, 48000, 8000), 1u);  // 0.5 rounds up
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, std::vector<int16_t>(800, 1000), 8000));
  EXPECT_FALSE(h.document.ChangeSampleRate(7999));
  EXPECT_FALSE(h.document.ChangeSampleRate(192001));
  EXPECT_FALSE(h.document.ChangeSampleRate(8000));
  // Dithered, the result is the undithered one within the dither's two steps.
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.ChangeSampleRate(16000, false); }));
  const std::vector<int16_t> plain = h.Samples();
  h.document.Undo();
  h.WaitIdle();
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.ChangeSampleRate(16000, true); }));
  const std::vector<int16_t> dithered = h.Samples();
  ASSERT_EQ(plain.size(), dithered.size());
  EXPECT_NE(plain, dithered);
  for (size_t i = 0; i < plain.size(); ++i) ASSERT_LE(std::abs(plain[i] - dithered[i]), 2) << i;
}

}  // namespace
}  // namespace quillon

namespace quillon {
namespace {

// Markers keep their time across a rate change and leave with the spans a silence edit removes.
TEST(MarkersFollowTest, ARateChangeAndASpanRemoval) {
  test::TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, std::vector<int16_t>(8000, 5000), 8000));
  TMarkerList list;
  list.AddMarker({1000, "a"});
  list.AddMarker({7999, "b"});
  list.AddRegion({2000, 6000, "r"});
  ASSERT_TRUE(h.document.SetMarkers(list));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.ChangeSampleRate(44100); }));
  TMarkerList rescaled;
  rescaled.AddMarker({5513, "a"});   // 1000 x 44100 / 8000 = 5512.5
  rescaled.AddMarker({44094, "b"});  // 44094.4
  rescaled.AddRegion({11025, 33075, "r"});
  EXPECT_EQ(h.document.Markers(), rescaled);
  ASSERT_TRUE(h.Run([](Twavefile& d) {
    return d.RemoveSpans(
        [](const TAudioState&, const TCancelToken&) {
          return std::vector<TFrameSpan>{{40000, 44100}, {0, 6000}, {20000, 30000}};
        },
        "");
  }));
  TMarkerList removed;
  removed.AddRegion({5025, 17075, "r"});
  EXPECT_EQ(h.document.Markers(), removed);
}

}  // namespace
}  // namespace quillon
