// Silences found from the peak index, against a frame-by-frame search over the samples.
#include "analysis/silences.h"

#include "analysis/silenceedits.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "support/document_harness.h"

namespace quillon {
namespace {

using test::TDocumentHarness;

constexpr double kThresholdDb = -50;

// The test's own definition: maximal runs of frames with every sample below the amplitude.
std::vector<TFrameSpan> BruteSilences(const std::vector<int16_t>& samples, uint16_t channels,
                                      uint64_t minFrames, TFrameSpan within) {
  const int32_t amplitude = SilenceAmplitude(kThresholdDb);
  std::vector<TFrameSpan> found;
  uint64_t start = within.start;
  bool inside = false;
  for (uint64_t f = within.start; f <= within.stop; ++f) {
    bool silent = f < within.stop;
    for (uint16_t c = 0; silent && c < channels; ++c)
      silent = std::abs(int32_t{samples[f * channels + c]}) < amplitude;
    if (silent && !inside) start = f;
    if (!silent && inside && f - start >= minFrames) found.push_back({start, f});
    inside = silent;
  }
  return found;
}

// Loud noise with silent stretches at the given frames; every row is stereo at 8 kHz.
struct TPatternRow {
  const char* name;
  uint64_t frames;
  std::vector<TFrameSpan> quiet;
  uint64_t minFrames;
  TFrameSpan within{0, UINT64_MAX};
  // A quiet stretch where only the left channel is silent.
  bool rightStaysLoud = false;
};

std::vector<int16_t> Pattern(const TPatternRow& row) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> loud(2000, 20000), low(-90, 90);
  std::vector<int16_t> samples(row.frames * 2);
  for (uint64_t f = 0; f < row.frames; ++f) {
    bool quiet = false;
    for (const TFrameSpan& span : row.quiet) quiet = quiet || (f >= span.start && f < span.stop);
    const int sign = f % 2 ? 1 : -1;
    samples[2 * f] = static_cast<int16_t>(quiet ? low(random) : sign * loud(random));
    samples[2 * f + 1] =
        static_cast<int16_t>(quiet && !row.rightStaysLoud ? low(random) : sign * loud(random));
  }
  return samples;
}

class SilencesTest : public ::testing::TestWithParam<TPatternRow> {};

TEST_P(SilencesTest, MatchTheFrameByFrameSearch) {
  const TPatternRow& row = GetParam();
  TDocumentHarness h;
  const std::vector<int16_t> samples = Pattern(row);
  ASSERT_TRUE(h.OpenSamples(2, samples, 8000));
  const auto state = h.document.State();
  const TSilenceSource source{&state->peaks.index, state->samples.get(), 2, state->frameCount};
  const TFrameSpan within{row.within.start, std::min<uint64_t>(row.within.stop, row.frames)};
  const uint64_t effectiveMin = std::max<uint64_t>(row.minFrames, 2 * kIndexBlockFrames);
  EXPECT_EQ(FindSilences(source, kThresholdDb, row.minFrames, within),
            BruteSilences(samples, 2, effectiveMin, within));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SilencesTest,
    ::testing::Values(
        TPatternRow{"None", 40000, {}, 2000},
        TPatternRow{"MiddleOffBlockEdges", 40000, {{5123, 9877}}, 2000},
        TPatternRow{"OnBlockEdges", 40000, {{5120, 10240}}, 2000},
        TPatternRow{"AtBothEnds", 40000, {{0, 3001}, {37001, 40000}}, 2000},
        TPatternRow{"ShortOnesLeftOut", 40000, {{1000, 2500}, {9000, 15000}, {20000, 21000}}, 2000},
        TPatternRow{
            "ManyAndPartialLastBlock", 40333, {{300, 2900}, {4000, 8000}, {12345, 40333}}, 1100},
        TPatternRow{"MinimumBelowTwoBlocks", 40000, {{3000, 4100}, {8000, 8700}}, 10},
        TPatternRow{"OneChannelLoud", 40000, {{5000, 15000}}, 2000, {0, UINT64_MAX}, true},
        TPatternRow{
            "WithinASelection", 40000, {{5000, 15000}, {20000, 30000}}, 2000, {7001, 25003}},
        TPatternRow{"AllSilent", 20000, {{0, 20000}}, 2000}),
    [](const auto& info) { return std::string(info.param.name); });

struct TTrimRow {
  const char* name;
  uint64_t frames;
  std::vector<TFrameSpan> quiet;
  uint64_t keep;
  std::optional<TFrameSpan> head, tail;
  bool allSilent = false;
};

class EndTrimTest : public ::testing::TestWithParam<TTrimRow> {};

TEST_P(EndTrimTest, RemovesAllButWhatItKeeps) {
  const TTrimRow& row = GetParam();
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(2, Pattern({row.name, row.frames, row.quiet, 0}), 8000));
  const auto state = h.document.State();
  const TSilenceSource source{&state->peaks.index, state->samples.get(), 2, state->frameCount};
  const TEndTrim trim = FindEndSilences(source, kThresholdDb, row.keep);
  EXPECT_EQ(trim.head, row.head);
  EXPECT_EQ(trim.tail, row.tail);
  EXPECT_EQ(trim.allSilent, row.allSilent);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EndTrimTest,
    ::testing::Values(TTrimRow{"Both",
                               40000,
                               {{0, 5003}, {31000, 40000}},
                               800,
                               TFrameSpan{0, 4203},
                               TFrameSpan{31800, 40000}},
                      TTrimRow{"ShorterThanKept", 40000, {{0, 500}, {39700, 40000}}, 800, {}, {}},
                      TTrimRow{"NoSilence", 40000, {}, 800, {}, {}},
                      TTrimRow{"KeepNothing",
                               40000,
                               {{0, 1}, {39999, 40000}},
                               0,
                               TFrameSpan{0, 1},
                               TFrameSpan{39999, 40000}},
                      TTrimRow{"Silent", 9000, {{0, 9000}}, 800, {}, {}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SilenceSpansTest, SoundsBetweenAndShortenedParts) {
  const std::vector<TFrameSpan> silences{{0, 100}, {300, 1300}, {1500, 1600}};
  EXPECT_EQ(SoundsBetween(silences, {0, 2000}),
            (std::vector<TFrameSpan>{{100, 300}, {1300, 1500}, {1600, 2000}}));
  EXPECT_EQ(SoundsBetween({}, {10, 20}), (std::vector<TFrameSpan>{{10, 20}}));
  EXPECT_EQ(ShortenedParts(silences, 200), (std::vector<TFrameSpan>{{400, 1200}}));
  EXPECT_EQ(SilenceAmplitude(-50), 104);
  EXPECT_EQ(SilenceAmplitude(0), 32768);
}

}  // namespace
}  // namespace quillon

namespace quillon {
namespace {

// The document's edit: the kept samples are the source's outside the planned spans, in order.
struct TEditRow {
  const char* name;
  std::vector<TFrameSpan> quiet;
  bool trimEnds;
  TSilenceSettings settings;
  std::vector<TFrameSpan> removed;
};

class SilenceEditTest : public ::testing::TestWithParam<TEditRow> {};

TEST_P(SilenceEditTest, RemovesThePlannedSpansAsOneUndoableEdit) {
  const TEditRow& row = GetParam();
  TDocumentHarness h;
  const std::vector<int16_t> samples = Pattern({row.name, 40000, row.quiet, 0});
  ASSERT_TRUE(h.OpenSamples(2, samples, 8000));
  ASSERT_TRUE(h.Run([&](Twavefile& d) {
    return d.RemoveSpans(
        row.trimEnds ? TrimEndsPlanner(row.settings) : ShortenSilencesPlanner(row.settings),
        "none");
  }));
  std::vector<int16_t> expected;
  uint64_t from = 0;
  for (const TFrameSpan& span : row.removed) {
    expected.insert(expected.end(), samples.begin() + 2 * from, samples.begin() + 2 * span.start);
    from = span.stop;
  }
  expected.insert(expected.end(), samples.begin() + 2 * from, samples.end());
  EXPECT_EQ(h.Samples(), expected);
  EXPECT_EQ(h.document.CanUndo(), !row.removed.empty());
  if (!row.removed.empty()) {
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Undo(), true; }));
    EXPECT_EQ(h.Samples(), samples);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SilenceEditTest,
    ::testing::Values(
        // 0.1 s of 8 kHz is 800 frames kept at each end.
        TEditRow{"TrimBoth", {{0, 5000}, {30000, 40000}}, true, {}, {{0, 4200}, {30800, 40000}}},
        TEditRow{"TrimNothing", {{10000, 20000}}, true, {}, {}},
        // Silences of 1.25 s and 0.75 s cut down to 0.2 s, 800 frames kept at each side.
        TEditRow{"Shorten",
                 {{5000, 15000}, {20000, 26000}},
                 false,
                 {-50, 0.5, 0.2},
                 {{5800, 14200}, {20800, 25200}}},
        TEditRow{"ShortenNoneLongEnough", {{5000, 7000}}, false, {-50, 0.5, 0.2}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon
