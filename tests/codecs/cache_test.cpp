#include "codecs/cache.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace quillon {
namespace {

struct TResult {
  Tindexdata index;
  TChannelPeaks peaks;
  int16_t overall = 0;
  int32_t level = 0;
};

TResult Feed(int channels, const std::vector<int16_t>& samples) {
  TFilter filter(channels);
  filter.AddSamples(samples.data(), static_cast<int32_t>(samples.size() * 2));
  TResult r;
  filter.GetIndex(r.index);
  filter.GetPeaks(r.peaks, r.overall, r.level);
  return r;
}

TEST(Filter, EmptySourceGivesOneEmptyBlockAndTheZeroBlock) {
  TResult r = Feed(2, {});
  EXPECT_EQ(r.index, Tindexdata(4));
  EXPECT_EQ(r.overall, 0);
  EXPECT_EQ(r.level, -90);
}

TEST(Filter, BlockBoundaries) {
  // Exactly one block of frames stays one block; one frame more opens a second.
  for (int channels : {1, 2}) {
    std::vector<int16_t> samples(channels * kIndexBlockFrames, 7);
    EXPECT_EQ(Feed(channels, samples).index.size(), 2u * channels);
    samples.insert(samples.end(), channels, int16_t{-3});
    Tindexdata index = Feed(channels, samples).index;
    ASSERT_EQ(index.size(), 3u * channels);
    EXPECT_EQ(index[0], (Tindextype{7, 0}));
    EXPECT_EQ(index[channels], (Tindextype{0, -3}));
    EXPECT_EQ(index[2 * channels], Tindextype{});
  }
}

TEST(Filter, ChannelsAlternateAndBoundsStartAtZero) {
  std::vector<int16_t> samples;
  for (int16_t f = 0; f < 100; ++f)
    samples.insert(samples.end(), {int16_t(100 + f), int16_t(-200 - f)});
  TResult r = Feed(2, samples);
  EXPECT_EQ(r.index, (Tindexdata{{199, 0}, {0, -299}, {}, {}}));
  EXPECT_EQ(r.peaks[0], 199);
  EXPECT_EQ(r.peaks[1], 0);  // peaks follow the maxima only
  EXPECT_EQ(r.overall, 199);
}

TEST(Filter, PeakLevelInDecibels) {
  for (auto [peak, db] : {std::pair{32767, 0}, {16384, -6}, {3277, -20}, {1, -90}, {0, -90}}) {
    std::vector<int16_t> samples(1000, 0);
    samples[700] = static_cast<int16_t>(peak);  // in the second block
    TResult r = Feed(1, samples);
    EXPECT_EQ(r.overall, peak);
    EXPECT_EQ(r.level, db) << peak;
    EXPECT_EQ(PeakToDb(peak), db);
  }
  EXPECT_NEAR(AmplitudeToDb(1), -90.309, 1e-3);
}

TEST(Filter, PiecewiseFeedingGivesTheSameIndex) {
  std::mt19937 random(42);
  std::vector<int16_t> samples(2 * 1800);
  for (int16_t& s : samples) s = static_cast<int16_t>(random());
  TFilter filter(2);
  size_t at = 0;
  // Odd piece sizes split frames across calls and blocks.
  for (size_t piece : {1, 3, 1021, 1, 511, 2047, 16}) {
    filter.AddSamples(samples.data() + at, static_cast<int32_t>(piece * 2));
    at += piece;
  }
  Tindexdata pieces;
  filter.GetIndex(pieces);
  EXPECT_EQ(pieces, Feed(2, samples).index);
}

}  // namespace
}  // namespace quillon
