#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "spectrum/colourmaps.h"
#include "spectrum/spectrumcache.h"
#include "spectrum/spectrumpicture.h"
#include "spectrum/spectrumtransform.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

std::vector<int16_t> Sine(double hz, uint32_t rate, uint32_t frames, uint16_t channels = 1,
                          double amplitude = 0.5) {
  std::vector<int16_t> samples(static_cast<size_t>(frames) * channels);
  for (uint32_t i = 0; i < frames; ++i)
    for (uint16_t ch = 0; ch < channels; ++ch)
      samples[static_cast<size_t>(i) * channels + ch] = static_cast<int16_t>(
          std::lround(32767 * amplitude * std::sin(2 * std::numbers::pi * hz * i / rate)));
  return samples;
}

// A store written as a canonical WAV, which a store is.
struct TStoreFile {
  test::TTempDir dir;
  TSpectrumSource source;
  TStoreFile(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate) {
    const std::string path = dir.File("store.wav");
    test::WriteWav16(path, channels, rate, samples);
    source = {std::make_shared<TLargeFile>(path, false), channels, rate,
              static_cast<uint32_t>(samples.size() / channels)};
  }
};

// The brightest row of channel 0's band, drawn one pixel wide in the middle of the document.
int32_t BrightestRow(TSpectrumCache& cache, const TSpectrumSettings& settings, int32_t height) {
  TSpectrumPainter painter;
  const TSpectrumSpan span{cache.Source().frameCount / 2.0, 1, 1};
  std::vector<uint32_t> pixels(height);
  std::vector<TSpectrumKey> missing;
  painter.Draw(cache, settings, 0, span, height, pixels.data(), 1, missing);
  cache.Request(missing, 0);
  cache.WaitUntilIdle();
  missing.clear();
  EXPECT_EQ(painter.Draw(cache, settings, 0, span, height, pixels.data(), 1, missing), 0);
  const TColourMap& map = ColourMap(0);
  auto lightness = [&](uint32_t colour) {
    return std::find(map.begin(), map.end(), colour) - map.begin();
  };
  return static_cast<int32_t>(
      std::max_element(pixels.begin(), pixels.end(),
                       [&](uint32_t a, uint32_t b) { return lightness(a) < lightness(b); }) -
      pixels.begin());
}

TEST(SpectrumTest, ASinesBrightestRowIsItsFrequencyWithinOneBinAtEveryWindowAndScale) {
  struct TRow {
    int32_t window;
    TFrequencyScale scale;
    double hz;
    uint32_t rate;
  };
  const TRow rows[] = {
      {256, TFrequencyScale::Linear, 1000, 44100},  {256, TFrequencyScale::Log, 1000, 44100},
      {256, TFrequencyScale::Mel, 1000, 44100},     {2048, TFrequencyScale::Linear, 1000, 44100},
      {2048, TFrequencyScale::Log, 1000, 44100},    {2048, TFrequencyScale::Mel, 1000, 44100},
      {8192, TFrequencyScale::Linear, 1000, 44100}, {8192, TFrequencyScale::Log, 1000, 44100},
      {8192, TFrequencyScale::Mel, 1000, 44100},    {2048, TFrequencyScale::Log, 150, 8000},
      {1024, TFrequencyScale::Mel, 3000, 8000},     {4096, TFrequencyScale::Log, 60000, 192000},
      {512, TFrequencyScale::Linear, 17000, 48000},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(testing::Message() << row.window << " points, scale "
                                    << static_cast<int>(row.scale) << ", " << row.hz << " Hz");
    TStoreFile file(Sine(row.hz, row.rate, 3 * row.window), 1, row.rate);
    TSpectrumCache cache(file.source, row.window, TWindowShape::Hann, kSpectrumColumnBudget, 2,
                         false);
    TSpectrumSettings settings;
    settings.window = row.window;
    settings.scale = row.scale;
    settings.colourMap = 0;
    constexpr int32_t kHeight = 400;
    const TFrequencyAxis axis(row.scale, kHeight, row.rate);
    const double bin = static_cast<double>(row.rate) / row.window;
    const int32_t brightest = BrightestRow(cache, settings, kHeight);
    EXPECT_GE(brightest, axis.RowOf(row.hz + bin));
    EXPECT_LE(brightest, axis.RowOf(row.hz - bin));
  }
}

// The magnitudes of a Hann-windowed DFT in double precision, scaled as the transform scales.
std::vector<double> ReferenceDb(const std::vector<float>& frames) {
  const size_t n = frames.size();
  double sum = 0;
  std::vector<double> windowed(n);
  for (size_t i = 0; i < n; ++i) {
    const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / n);
    sum += w;
    windowed[i] = frames[i] * w;
  }
  std::vector<double> db(n / 2 + 1);
  for (size_t k = 0; k <= n / 2; ++k) {
    double re = 0, im = 0;
    for (size_t i = 0; i < n; ++i) {
      const double phase = 2 * std::numbers::pi * static_cast<double>(k * i % n) / n;
      re += windowed[i] * std::cos(phase);
      im -= windowed[i] * std::sin(phase);
    }
    db[k] = 10 * std::log10((re * re + im * im) * 4 / (sum * sum));
  }
  return db;
}

TEST(SpectrumTest, ColumnsMatchAReferenceDftWithinATenthOfADecibel) {
  constexpr int32_t kWindow = 256;
  std::vector<float> frames(kWindow);
  // Two tones off the bins and a little noise, so that every bin has a level to compare.
  uint32_t seed = 1;
  for (int32_t i = 0; i < kWindow; ++i) {
    seed = seed * 1664525 + 1013904223;
    frames[i] = static_cast<float>(0.6 * std::sin(0.3 * i) + 0.2 * std::sin(1.7 * i + 0.4) +
                                   0.01 * ((seed >> 8) / 16777216.0 - 0.5));
  }
  TSpectrumTransform transform(kWindow, TWindowShape::Hann);
  std::vector<float> power(transform.Bins());
  transform.Power(frames.data(), power.data());
  const std::vector<double> reference = ReferenceDb(frames);
  for (int32_t k = 0; k < transform.Bins(); ++k)
    EXPECT_NEAR(10 * std::log10(power[k]), reference[k], 0.1) << "bin " << k;
}

TEST(SpectrumTest, AColumnFromTheStoreEqualsOneFromTheSameSamplesDirectly) {
  constexpr int32_t kWindow = 1024;
  const std::vector<int16_t> samples = Sine(2345, 44100, 20000, 2, 0.7);
  TStoreFile file(samples, 2, 44100);
  TSpectrumCache cache(file.source, kWindow, TWindowShape::BlackmanHarris, kSpectrumColumnBudget, 2,
                       false);
  TSpectrumTransform transform(kWindow, TWindowShape::BlackmanHarris);
  // The first column's window starts before the document (zeros), the last one's past its end.
  for (int64_t column : {int64_t{0}, int64_t{7}, cache.ColumnCount() - 1}) {
    cache.Request({{false, column}}, column);
    cache.WaitUntilIdle();
    const TSpectrumLevels held = cache.Find({false, column});
    ASSERT_TRUE(held) << column;
    for (int ch = 0; ch < 2; ++ch) {
      std::vector<float> frames(kWindow, 0.0f);
      for (int32_t i = 0; i < kWindow; ++i) {
        const int64_t frame = column * (kWindow / 4) - kWindow / 2 + i;
        if (frame >= 0 && frame < 20000) frames[i] = samples[frame * 2 + ch] / 32768.0f;
      }
      std::vector<uint8_t> direct(transform.Bins());
      transform.Levels(frames.data(), direct.data());
      EXPECT_TRUE(std::equal(direct.begin(), direct.end(), held->begin() + ch * transform.Bins()))
          << "column " << column << " channel " << ch;
    }
  }
}

TEST(SpectrumTest, TheReducedLevelIsTheMaximumOfItsColumnsAndColumnsKeepToTheBudget) {
  constexpr int32_t kWindow = 256;
  // Off any period of the hop: columns alike are shelved once.
  std::vector<int16_t> samples = Sine(503.7, 8000, 64 * 5 * 64);
  // A click in the middle of the second group, which its maximum must keep.
  samples[64 * 64 + 2000] = 30000;
  TStoreFile file(samples, 1, 8000);
  constexpr uint64_t kBudget = 40 * 1024;
  TSpectrumCache cache(file.source, kWindow, TWindowShape::Hann, kBudget, 2, true);
  std::vector<TSpectrumKey> all;
  for (int64_t c = 0; c < cache.ColumnCount(); ++c) all.push_back({false, c});
  cache.Request(all, 0);
  cache.WaitUntilIdle();
  EXPECT_LE(cache.ColumnBytes(), kBudget);
  EXPECT_GT(cache.ColumnBytes(), kBudget / 2);
  ASSERT_EQ(cache.GroupCount(), 5);
  for (int64_t g = 0; g < cache.GroupCount(); ++g) {
    const TSpectrumLevels group = cache.Find({true, g});
    ASSERT_TRUE(group) << g;
    std::vector<uint8_t> most(cache.Bins(), 0);
    for (int64_t c = g * kSpectrumGroup;
         c < std::min(cache.ColumnCount(), (g + 1) * kSpectrumGroup); ++c) {
      const std::vector<uint8_t> column = cache.ComputeColumn(c);
      for (int32_t k = 0; k < cache.Bins(); ++k) most[k] = std::max(most[k], column[k]);
    }
    EXPECT_EQ(most, *group) << "group " << g;
  }
  EXPECT_LE(cache.ReducedBytes(), 5 * (cache.Bins() + kSpectrumGroupOverhead));
}

TEST(SpectrumTest, ATwoGigabyteDocumentsColumnsStayWithin256MegabytesAtEveryWindow) {
  // A view keeps two states' reduced levels besides the shelf they share.
  const TSpectrumSource source{nullptr, 2, 44100, 1u << 29};
  for (int32_t window : {256, 2048, 8192}) {
    TSpectrumCache cache(source, window, TWindowShape::Hann, kSpectrumColumnBudget, 1, false);
    const uint64_t reduced =
        static_cast<uint64_t>(cache.GroupCount()) * (cache.Bins() * 2 + kSpectrumGroupOverhead);
    EXPECT_LE(kSpectrumColumnBudget + 2 * reduced, 256ull << 20) << window;
  }
}

TEST(SpectrumTest, PicturesOfOddDocumentsAreCompleteAndSilenceIsTheFloor) {
  struct TRow {
    const char* what;
    std::vector<int16_t> samples;
    uint16_t channels;
    uint32_t rate;
    int32_t window;
    double frames;
  };
  const TRow rows[] = {
      {"silence", std::vector<int16_t>(44100 * 2), 2, 44100, 2048, 44100},
      {"shorter than one window", std::vector<int16_t>(100), 1, 44100, 8192, 100},
      {"one frame shown", std::vector<int16_t>(5000), 1, 8000, 256, 1},
      {"192 kHz", std::vector<int16_t>(192000), 1, 192000, 8192, 192000},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.what);
    TStoreFile file(row.samples, row.channels, row.rate);
    TSpectrumCache cache(file.source, row.window, TWindowShape::Hann, kSpectrumColumnBudget, 2,
                         false);
    TSpectrumSettings settings;
    settings.colourMap = 2;
    const std::vector<uint32_t> pixels =
        RenderSpectrumPicture(cache, settings, 0, row.frames, 64, 41);
    const int32_t band = (41 - (row.channels - 1)) / row.channels;
    for (int32_t ch = 0; ch < row.channels; ++ch)
      for (int32_t y = 0; y < band; ++y)
        EXPECT_EQ(pixels[(ch * (band + 1) + y) * 64 + 5], ColourMap(2)[0]) << y;
  }
}

TEST(SpectrumTest, SettingsAreHeldToWhatCanBeDrawn) {
  struct TRow {
    int32_t window;
    double range;
    int32_t expectedWindow;
    double expectedRange;
  };
  const TRow rows[] = {{2048, 80, 2048, 80},    {100, 5, 256, 20},  {3000, 500, 2048, 120},
                       {100000, NAN, 8192, 80}, {-4, -10, 256, 20}, {8192, 120, 8192, 120}};
  for (const TRow& row : rows) {
    TSpectrumSettings settings;
    settings.window = row.window;
    settings.rangeDb = row.range;
    const TSpectrumSettings held = HeldSpectrumSettings(settings);
    EXPECT_EQ(held.window, row.expectedWindow) << row.window;
    EXPECT_EQ(held.rangeDb, row.expectedRange) << row.range;
    EXPECT_TRUE(ValidSpectrumWindow(held.window));
  }
}

TEST(SpectrumTest, AChirpsBrightestRowFollowsItsFrequency) {
  // A linear sweep from 200 Hz to 8 kHz over four seconds: its frequency at time t is known.
  constexpr uint32_t kRate = 22050;
  constexpr double kSeconds = 4, kLow = 200, kHigh = 8000;
  std::vector<int16_t> samples(static_cast<size_t>(kRate * kSeconds));
  for (size_t i = 0; i < samples.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double phase =
        2 * std::numbers::pi * (kLow * t + (kHigh - kLow) * t * t / (2 * kSeconds));
    samples[i] = static_cast<int16_t>(std::lround(16000 * std::sin(phase)));
  }
  TStoreFile file(samples, 1, kRate);
  TSpectrumCache cache(file.source, 1024, TWindowShape::Hann, kSpectrumColumnBudget, 2, false);
  TSpectrumSettings settings;
  settings.window = 1024;
  settings.colourMap = 0;
  for (TFrequencyScale scale :
       {TFrequencyScale::Linear, TFrequencyScale::Log, TFrequencyScale::Mel}) {
    settings.scale = scale;
    constexpr int32_t kWidth = 40, kHeight = 300;
    const std::vector<uint32_t> pixels =
        RenderSpectrumPicture(cache, settings, 0, samples.size(), kWidth, kHeight);
    const TFrequencyAxis axis(scale, kHeight, kRate);
    const TColourMap& grey = ColourMap(0);
    for (int32_t x = 4; x < kWidth - 4; x += 5) {
      int32_t brightest = 0;
      int64_t best = -1;
      for (int32_t y = 0; y < kHeight; ++y) {
        const int64_t level =
            std::find(grey.begin(), grey.end(), pixels[y * kWidth + x]) - grey.begin();
        if (level > best) best = level, brightest = y;
      }
      // The column at the pixel's middle, within two bins for the sweep during the window.
      const double t = (x + 0.5) * samples.size() / kWidth / kRate;
      const double hz = kLow + (kHigh - kLow) * t / kSeconds;
      const double slack = 2.0 * kRate / 1024;
      EXPECT_GE(brightest, axis.RowOf(hz + slack))
          << "x " << x << " scale " << static_cast<int>(scale);
      EXPECT_LE(brightest, axis.RowOf(hz - slack))
          << "x " << x << " scale " << static_cast<int>(scale);
    }
  }
}

// Columns whose window [(c - 2) hop, (c + 2) hop) has samples on both sides of frame, or in
// [from, to).
int64_t ColumnsTouching(int64_t count, int32_t hop, int64_t from, int64_t to) {
  int64_t touching = 0;
  for (int64_t c = 0; c < count; ++c)
    if ((c - 2) * hop < to && (c + 2) * hop > from) ++touching;
  return touching;
}

TEST(SpectrumTest, AfterAnEditOnlyTheColumnsOverChangedSamplesAreComputedAndThePictureIsTheSame) {
  constexpr int32_t kWindow = 256, kHop = 64;
  std::vector<int16_t> original(64 * kHop * 6);
  uint32_t seed = 7;
  for (int16_t& sample : original) {
    seed = seed * 1664525 + 1013904223;
    sample = static_cast<int16_t>(seed >> 17) - 16384;
  }
  struct TRow {
    const char* what;
    std::vector<int16_t> samples;
    int64_t expected;
  };
  std::vector<int16_t> deleted = original, silenced = original, quieter = original;
  // A join inside a block; what follows moves by seven hops.
  deleted.erase(deleted.begin() + 10001, deleted.begin() + 10001 + 7 * kHop);
  silenced.insert(silenced.begin() + 12345, 8 * kHop, 0);
  for (int i = 5000; i < 5300; ++i) quieter[i] /= 2;
  const auto count = [](const std::vector<int16_t>& s) {
    return SpectrumColumnCount(static_cast<uint32_t>(s.size()), kHop);
  };
  const TRow rows[] = {
      {"delete", deleted, ColumnsTouching(count(deleted), kHop, 10001, 10001)},
      // The four windows wholly inside the silence are alike: one of them is computed.
      {"insert silence", silenced,
       ColumnsTouching(count(silenced), kHop, 12345, 12345 + 8 * kHop) - 3},
      {"effect on a range", quieter, ColumnsTouching(count(quieter), kHop, 5000, 5300)},
      {"undo", original, 0}};
  TStoreFile before(original, 1, 8000);
  auto shelf = std::make_shared<TSpectrumShelf>(kSpectrumColumnBudget);
  auto computeAll = [](TSpectrumCache& cache) {
    std::vector<TSpectrumKey> all;
    for (int64_t c = 0; c < cache.ColumnCount(); ++c) all.push_back({false, c});
    cache.Request(all, 0);
    cache.WaitUntilIdle();
  };
  TSpectrumCache first(before.source, kWindow, TWindowShape::Hann, 0, 1, false, shelf);
  computeAll(first);
  EXPECT_EQ(first.ComputedColumns(), first.ColumnCount());
  TSpectrumSettings settings;
  settings.window = kWindow;
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.what);
    TStoreFile after(row.samples, 1, 8000);
    TSpectrumCache edited(after.source, kWindow, TWindowShape::Hann, 0, 1, false, shelf);
    computeAll(edited);
    EXPECT_EQ(edited.ComputedColumns(), row.expected);
    TSpectrumCache fresh(after.source, kWindow, TWindowShape::Hann, kSpectrumColumnBudget, 2,
                         false);
    // The whole document from the reduced level, and a stretch over the join column by column.
    const double frames = static_cast<double>(row.samples.size());
    for (const auto& [from, length] : {std::pair{0.0, frames}, std::pair{9000.0, 3000.0}})
      EXPECT_EQ(RenderSpectrumPicture(edited, settings, from, length, 300, 80),
                RenderSpectrumPicture(fresh, settings, from, length, 300, 80));
  }
}

TEST(SpectrumTest, AWideZoomIsCompleteOnceAQuarterOfItsPixelsColumnsArrived) {
  TStoreFile file(Sine(700, 8000, 64 * 64 * 160), 1, 8000);
  TSpectrumCache cache(file.source, 256, TWindowShape::Hann, kSpectrumColumnBudget, 2, false);
  TSpectrumPainter painter;
  TSpectrumSettings settings;
  constexpr int32_t kWidth = 80, kHeight = 30;
  // Two groups a pixel.
  const TSpectrumSpan span{0, 64.0 * 64 * 160 / kWidth, kWidth};
  std::vector<uint32_t> pixels(kWidth * kHeight);
  std::vector<TSpectrumKey> missing;
  EXPECT_EQ(painter.Draw(cache, settings, 0, span, kHeight, pixels.data(), kWidth, missing),
            kWidth);
  // The coarse columns come first: one for every four pixels.
  missing.resize(kWidth / 4);
  EXPECT_TRUE(std::none_of(missing.begin(), missing.end(), [](auto& k) { return k.reduced; }));
  cache.Request(missing, 0);
  cache.WaitUntilIdle();
  missing.clear();
  EXPECT_EQ(painter.Draw(cache, settings, 0, span, kHeight, pixels.data(), kWidth, missing), 0);
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), kPendingColour), 0);
}

TEST(SpectrumTest, ColourMapsGrowLighterStepByStepSoTheyReadInGrey) {
  for (int32_t map = 0; map < kColourMapCount; ++map) {
    double previous = -1;
    for (uint32_t colour : ColourMap(map)) {
      const double luma =
          0.2126 * (colour >> 16 & 255) + 0.7152 * (colour >> 8 & 255) + 0.0722 * (colour & 255);
      EXPECT_GE(luma, previous - 0.5) << "map " << map;
      previous = luma;
    }
    const double first = 0.2126 * (ColourMap(map)[0] >> 16 & 255);
    EXPECT_LT(first, 80) << "map " << map;
    // Pending columns are told apart from every level.
    EXPECT_EQ(std::count(ColourMap(map).begin(), ColourMap(map).end(), kPendingColour), 0);
  }
}

TEST(SpectrumTest, FrequencyAxesMapRowsAndFrequenciesBothWays) {
  struct TRow {
    TFrequencyScale scale;
    uint32_t rate;
    double hz;
  };
  const TRow rows[] = {
      {TFrequencyScale::Linear, 44100, 11025}, {TFrequencyScale::Log, 44100, 1000},
      {TFrequencyScale::Mel, 44100, 1000},     {TFrequencyScale::Log, 8000, 100},
      {TFrequencyScale::Mel, 192000, 50000},   {TFrequencyScale::Linear, 8000, 3999}};
  for (const TRow& row : rows) {
    const TFrequencyAxis axis(row.scale, 500, row.rate);
    const int32_t y = axis.RowOf(row.hz);
    EXPECT_LE(axis.FrequencyAt(y + 1), row.hz) << row.hz;
    EXPECT_GE(axis.FrequencyAt(y), row.hz) << row.hz;
    EXPECT_NEAR(axis.FrequencyAt(0), row.rate / 2.0, 1e-6);
    // Ticks run upward, inside the band and apart.
    const std::vector<TFrequencyTick> ticks = FrequencyTicks(axis, row.rate, 12);
    ASSERT_FALSE(ticks.empty());
    for (size_t i = 1; i < ticks.size(); ++i) {
      EXPECT_GT(ticks[i].hz, ticks[i - 1].hz);
      EXPECT_GE(ticks[i - 1].y - ticks[i].y, 12);
    }
    // Every row shows at least one bin, in order from the top.
    const std::vector<TRowBins> bins = RowBins(axis, 2048, row.rate);
    for (size_t i = 1; i < bins.size(); ++i) {
      EXPECT_LE(bins[i].first, bins[i].last);
      EXPECT_LE(bins[i].last, bins[i - 1].last);
    }
  }
}

TEST(SpectrumTest, RepeatedAndOutOfRangeRequestsEndAndNothingWaitsForever) {
  TStoreFile file(Sine(440, 8000, 4000), 1, 8000);
  TSpectrumCache cache(file.source, 256, TWindowShape::Hann, kSpectrumColumnBudget, 2, false);
  // Keys asked for twice, past the end and below zero once left the workers asleep with a
  // waiter that nobody woke.
  for (int round = 0; round < 20; ++round) {
    std::vector<TSpectrumKey> keys;
    for (int i = 0; i < 30; ++i) keys.push_back({false, i % 7});
    keys.push_back({false, -3});
    keys.push_back({false, cache.ColumnCount() + 5});
    keys.push_back({true, cache.GroupCount()});
    cache.Request(keys, round);
    cache.WaitUntilIdle();
  }
  for (int64_t c = 0; c < 7; ++c) EXPECT_TRUE(cache.Find({false, c}));
  EXPECT_FALSE(cache.Find({false, -3}));
  EXPECT_FALSE(cache.Find({true, cache.GroupCount()}));
  EXPECT_FALSE(cache.Failed());
}

TEST(SpectrumTest, AStoreShorterThanItsFormatSaysReadsAsSilenceBeyondItsEnd) {
  TStoreFile file(Sine(1000, 8000, 1000), 1, 8000);
  // The format claims ten times the frames the store holds.
  file.source.frameCount = 10000;
  TSpectrumCache cache(file.source, 256, TWindowShape::Hann, kSpectrumColumnBudget, 2, false);
  const std::vector<uint8_t> beyond = cache.ComputeColumn(cache.ColumnCount() - 1);
  EXPECT_EQ(std::count(beyond.begin(), beyond.end(), 0), static_cast<long>(beyond.size()));
  const std::vector<uint8_t> inside = cache.ComputeColumn(10);
  EXPECT_GT(*std::max_element(inside.begin(), inside.end()), LevelByte(-10));
}

}  // namespace
}  // namespace quillon
