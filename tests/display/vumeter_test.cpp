#include "display/vumeter.h"

#include <gtest/gtest.h>

#include <vector>

#include "display/waveview.h"

namespace quillon {
namespace {

constexpr uint32_t kMeterGreen = 5555555;  // 0x54C563 as 0x00BBGGRR
constexpr QRgb kGreen = 0x63C554;
constexpr QRgb kBlack = 0x000000;

maxsample Levels(std::initializer_list<int16_t> values) {
  maxsample points{};
  std::copy(values.begin(), values.end(), points.begin());
  return points;
}

class VUMeterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    meter.SetForecolor(kMeterGreen);
    meter.resize(456, 25);
    meter.show();
  }

  QRgb Px(int x, int y) const { return meter.Frame().pixel(x, y) & 0xFFFFFF; }
  // The foreground columns of row y, left to right.
  std::vector<int> Columns(int y) const {
    std::vector<int> xs;
    for (int x = 0; x < meter.Frame().width(); ++x) {
      if (Px(x, y) == kGreen) xs.push_back(x);
    }
    return xs;
  }
  // The foreground rows of column x, top to bottom.
  std::vector<int> Rows(int x) const {
    std::vector<int> ys;
    for (int y = 0; y < meter.Frame().height(); ++y) {
      if (Px(x, y) == kGreen) ys.push_back(y);
    }
    return ys;
  }
  static std::vector<int> Span(int first, int last) {
    std::vector<int> v;
    for (int i = first; i <= last; ++i) v.push_back(i);
    return v;
  }
  bool Blank() const {
    for (int y = 0; y < meter.Frame().height(); ++y) {
      for (int x = 0; x < meter.Frame().width(); ++x) {
        if (Px(x, y) != kBlack) return false;
      }
    }
    return true;
  }

  TVUMeter meter;
};

TEST(VUMeterDefaults, NewMeterIsSmallBlackAndEmpty) {
  TVUMeter meter;
  EXPECT_EQ(meter.width(), 127);
  EXPECT_EQ(meter.height(), 38);
  EXPECT_EQ(meter.Frame().size(), QSize(127, 38));
  EXPECT_EQ(meter.backcolor(), 0u);
  EXPECT_EQ(meter.forecolor(), 0u);
  EXPECT_FALSE(meter.showlabels());
  EXPECT_TRUE(meter.ShowPeaks());
  EXPECT_EQ(meter.VUChannels(), 1);
  EXPECT_EQ(meter.Frame().pixel(60, 20) & 0xFFFFFF, kBlack);
}

TEST_F(VUMeterTest, BarLengthFollowsTheLevelScale) {
  meter.SetShowPeaks(false);
  meter.event_s(Levels({64}), 1);
  EXPECT_EQ(meter.BandOut(0), 228);
  EXPECT_EQ(Columns(12), Span(1, 227));
  meter.event_s(Levels({127}), 1);
  EXPECT_EQ(meter.BandOut(0), 452);
  EXPECT_EQ(Columns(12), Span(1, 451));
  meter.event_s(Levels({128}), 1);
  EXPECT_EQ(meter.BandOut(0), 456);
  EXPECT_EQ(Columns(12), Span(1, 455));
  // One lane fills the height but for a gap row above and the last row.
  EXPECT_EQ(Rows(100), Span(1, 23));
}

TEST_F(VUMeterTest, BarFallsThreePixelsPerUpdate) {
  meter.SetShowPeaks(false);
  meter.event_s(Levels({128}), 1);
  for (int expected = 453; expected >= 0; expected -= 3) {
    meter.event_s(Levels({0}), 1);
    ASSERT_EQ(meter.BandOut(0), expected);
    ASSERT_EQ(Columns(5), expected > 1 ? Span(1, expected - 1) : std::vector<int>{});
  }
  meter.event_s(Levels({0}), 1);
  EXPECT_EQ(meter.BandOut(0), 0);
  // A level above the falling bar shows at once; one below it does not stop the fall.
  meter.event_s(Levels({64}), 1);
  meter.event_s(Levels({63}), 1);
  EXPECT_EQ(meter.BandOut(0), 225);
  meter.event_s(Levels({100}), 1);
  EXPECT_EQ(meter.BandOut(0), 356);
}

TEST_F(VUMeterTest, PeakHoldsElevenUpdatesThenFallsOnePixel) {
  meter.resize(512, 25);
  meter.event_s(Levels({75}), 1);  // 75 * 512 / 128 = 300
  EXPECT_EQ(meter.Peaks(0), 300);
  for (int update = 1; update <= 10; ++update) {
    meter.event_s(Levels({10}), 1);
    ASSERT_EQ(meter.Peaks(0), 300) << update;
    ASSERT_EQ(Px(298, 5), kGreen);
    ASSERT_EQ(Px(299, 5), kGreen);
    ASSERT_EQ(Px(300, 5), kBlack);
  }
  for (int expected = 299; expected >= 290; --expected) {
    meter.event_s(Levels({10}), 1);
    ASSERT_EQ(meter.Peaks(0), expected);
    ASSERT_EQ(Px(expected - 2, 5), kGreen);
    ASSERT_EQ(Px(expected - 1, 5), kGreen);
    ASSERT_EQ(Px(expected, 5), kBlack);
  }
  // A level reaching the falling peak raises it and restarts the hold.
  meter.event_s(Levels({73}), 1);  // 292
  EXPECT_EQ(meter.Peaks(0), 292);
  EXPECT_EQ(meter.PeaksWait(0), 1);
  for (int update = 1; update <= 10; ++update) meter.event_s(Levels({0}), 1);
  EXPECT_EQ(meter.Peaks(0), 292);
  meter.event_s(Levels({0}), 1);
  EXPECT_EQ(meter.Peaks(0), 291);
}

TEST_F(VUMeterTest, PeakMarkersCanBeTurnedOff) {
  meter.event_s(Levels({100}), 1);
  meter.event_s(Levels({0}), 1);
  EXPECT_EQ(Px(355, 5), kGreen);
  meter.SetShowPeaks(false);
  meter.event_s(Levels({0}), 1);
  EXPECT_EQ(Columns(5), Span(1, 349));
}

TEST_F(VUMeterTest, MonoAndStereoLanesStackFromTheTop) {
  meter.event_s(Levels({64, 32}), 2);
  EXPECT_EQ(meter.VUChannels(), 2);
  // Lanes of (25 - 1) div 2 = 12 rows, each with a gap row above its bar.
  EXPECT_EQ(Rows(50), (std::vector<int>{1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                        13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}));
  EXPECT_EQ(Rows(200), Span(1, 11));
  EXPECT_EQ(Columns(6), Span(1, 227));
  EXPECT_EQ(Columns(18), Span(1, 113));
  EXPECT_EQ(Px(100, 0), kBlack);
  EXPECT_EQ(Px(100, 12), kBlack);
  EXPECT_EQ(Px(100, 24), kBlack);

  // The same document played as mono: one lane, the second channel's level no longer read.
  meter.ResetVisual();
  meter.event_s(Levels({32, 127}), 1);
  EXPECT_EQ(meter.VUChannels(), 1);
  EXPECT_EQ(Rows(50), Span(1, 23));
  EXPECT_EQ(Columns(18), Span(1, 113));
}

TEST_F(VUMeterTest, LevelsOutOfRangeStayInsideTheControl) {
  meter.event_s(Levels({32767, -32768}), 2);
  EXPECT_EQ(meter.BandOut(0), 456);
  EXPECT_EQ(meter.Peaks(0), 456);
  EXPECT_EQ(meter.BandOut(1), 0);
  EXPECT_EQ(meter.Peaks(1), 0);
  EXPECT_EQ(Columns(6), Span(1, 455));
  EXPECT_TRUE(Columns(18).empty());
  // The bar falls from the right edge, visible from the first update on.
  meter.event_s(Levels({0, -1}), 2);
  EXPECT_EQ(meter.BandOut(0), 453);
  EXPECT_EQ(Px(452, 6), kGreen);
  EXPECT_EQ(Px(453, 6), kBlack);
  EXPECT_EQ(Px(454, 6), kGreen);  // the held peak marker
  EXPECT_EQ(Px(455, 6), kGreen);
}

TEST_F(VUMeterTest, ChannelCountsOutsideTheArrayAreHeld) {
  meter.event_s(Levels({64}), 0);
  EXPECT_EQ(meter.VUChannels(), 0);
  EXPECT_TRUE(Blank());
  // Nine lanes of (25 - 1) div 9 = 2 rows: one gap row, one bar row each.
  meter.event_s(Levels({128, 128, 128, 128, 128, 128, 128, 128, 128}), 40);
  EXPECT_EQ(meter.VUChannels(), 9);
  EXPECT_EQ(Rows(100), (std::vector<int>{1, 3, 5, 7, 9, 11, 13, 15, 17}));
  meter.event_s(Levels({}), -3);
  EXPECT_TRUE(Blank());
}

TEST_F(VUMeterTest, ResizeRestartsBarsAndPeaksAtTheNewWidth) {
  meter.event_s(Levels({128, 128}), 2);
  meter.resize(200, 40);
  EXPECT_EQ(meter.Frame().size(), QSize(200, 40));
  EXPECT_EQ(meter.BandOut(0), 0);
  EXPECT_EQ(meter.Peaks(0), 0);
  EXPECT_EQ(meter.PeaksWait(1), 0);
  meter.event_s(Levels({64, 0}), 2);
  EXPECT_EQ(meter.BandOut(0), 100);
  EXPECT_EQ(meter.BandOut(1), 0);
  EXPECT_EQ(Rows(50), Span(1, 18));  // lanes of (40 - 1) div 2 = 19 rows
  // A meter too small for its lanes draws nothing rather than outside them.
  meter.resize(10, 2);
  meter.event_s(Levels({128, 128}), 2);
  EXPECT_EQ(meter.Frame().size(), QSize(10, 2));
  EXPECT_TRUE(Blank());
}

TEST_F(VUMeterTest, StopSequenceLeavesTheEmptyBackground) {
  meter.event_s(Levels({100, 50}), 2);
  meter.event_s(Levels({}), 2);
  EXPECT_EQ(meter.BandOut(0), 353);
  EXPECT_FALSE(Blank());
  meter.ClearVisual();
  EXPECT_TRUE(Blank());
  // ClearVisual keeps the state; ResetVisual drops it.
  EXPECT_EQ(meter.BandOut(0), 353);
  meter.ResetVisual();
  EXPECT_TRUE(Blank());
  EXPECT_EQ(meter.BandOut(0), 0);
  EXPECT_EQ(meter.Peaks(0), 0);
  meter.event_s(Levels({10, 10}), 2);
  EXPECT_EQ(meter.Peaks(0), 35);
}

TEST_F(VUMeterTest, HiddenMeterIgnoresUpdatesAndKeepsItsState) {
  meter.event_s(Levels({64}), 1);
  meter.hide();
  meter.event_s(Levels({0}), 1);
  EXPECT_EQ(meter.BandOut(0), 228);
  EXPECT_EQ(Columns(5), Span(1, 227));
  meter.show();
  meter.event_s(Levels({0}), 1);
  EXPECT_EQ(meter.BandOut(0), 225);
}

TEST_F(VUMeterTest, BackgroundColourFillsThePicture) {
  meter.SetBackcolor(0x00FF0000);  // blue
  EXPECT_EQ(Px(10, 10), 0x0000FFu);
  meter.event_s(Levels({64}), 1);
  EXPECT_EQ(Px(0, 10), 0x0000FFu);
  EXPECT_EQ(Px(10, 10), kGreen);
  EXPECT_EQ(Px(300, 10), 0x0000FFu);
}

}  // namespace
}  // namespace quillon

namespace quillon {
namespace {

// Run again with QT_SCALE_FACTOR=2 (see CMakeLists.txt): the pictures hold device pixels.
TEST(ScreenScaleTest, TheViewAndTheMeterDrawAtTheDevicePixelRatio) {
  TWaveView view;
  view.resize(300, 200);
  view.Repaint();
  const qreal ratio = view.devicePixelRatioF();
  EXPECT_EQ(view.Frame().size(), (QSizeF(300, 200) * ratio).toSize());
  EXPECT_EQ(view.Frame().devicePixelRatio(), ratio);
  TVUMeter meter;
  meter.resize(120, 40);
  meter.show();  // a hidden widget hears of its size only when shown
  meter.ResetVisual();
  meter.repaint();
  EXPECT_EQ(meter.Frame().size(), (QSizeF(120, 40) * ratio).toSize());
  EXPECT_EQ(meter.Frame().devicePixelRatio(), ratio);
}

}  // namespace
}  // namespace quillon
