#include <gtest/gtest.h>

#include <QRect>
#include <climits>

#include "platform/config.h"
#include "shell/utils.h"

namespace quillon {
namespace {

const QRect kScreen(0, 0, 1920, 1080);

TConfig Stored(int32_t posx, int32_t posy, int32_t width, int32_t height) {
  TConfig c;
  c.posx = posx;
  c.posy = posy;
  c.width = width;
  c.height = height;
  return c;
}

TEST(PlacementTest, FirstStartCentresTheDesignedSizeOnTheScreen) {
  EXPECT_EQ(MainWindowPlacement(TConfig{}, kScreen), QRect(544, 262, 832, 555));
  // The available area of a second screen right of the first, below a panel.
  EXPECT_EQ(MainWindowPlacement(TConfig{}, QRect(1920, 30, 1280, 994)), QRect(2144, 249, 832, 555));
}

TEST(PlacementTest, OneStoredPositionIsEnoughToSkipCentring) {
  EXPECT_EQ(MainWindowPlacement(Stored(-1, 100, -1, -1), kScreen), QRect(-1, 100, 832, 555));
  EXPECT_EQ(MainWindowPlacement(Stored(300, -1, -1, -1), kScreen), QRect(300, -1, 832, 555));
  EXPECT_EQ(MainWindowPlacement(Stored(-1500, -20, -1, -1), kScreen).topLeft(), QPoint(-1500, -20));
}

TEST(PlacementTest, StoredSizeOnlyWhenBothAreSet) {
  EXPECT_EQ(MainWindowPlacement(Stored(10, 20, 1000, -1), kScreen), QRect(10, 20, 832, 555));
  EXPECT_EQ(MainWindowPlacement(Stored(10, 20, -1, 700), kScreen), QRect(10, 20, 832, 555));
  EXPECT_EQ(MainWindowPlacement(Stored(10, 20, 1000, 700), kScreen), QRect(10, 20, 1000, 700));
  // Centred with a stored size: the stored size is what gets centred.
  EXPECT_EQ(MainWindowPlacement(Stored(-1, -1, 1000, 700), kScreen), QRect(460, 190, 1000, 700));
}

TEST(PlacementTest, SizesBelowTheMinimumAreRaisedToIt) {
  EXPECT_EQ(MainWindowPlacement(Stored(0, 0, 100, 50), kScreen).size(), QSize(510, 320));
  EXPECT_EQ(MainWindowPlacement(Stored(0, 0, 0, 400), kScreen).size(), QSize(832, 555));
  EXPECT_EQ(MainWindowPlacement(Stored(0, 0, -30, -30), kScreen).size(), QSize(832, 555));
}

TEST(PlacementTest, AWindowLargerThanTheScreenKeepsItsTitleBarOnIt) {
  QRect r = MainWindowPlacement(Stored(-1, -1, 3000, 2000), QRect(0, 24, 1280, 776));
  EXPECT_EQ(r, QRect(0, 24, 3000, 2000));
}

TEST(PlacementTest, WithoutAScreenTheDesignedPositionStays) {
  EXPECT_EQ(MainWindowPlacement(TConfig{}, QRect()), QRect(286, 166, 832, 555));
  EXPECT_EQ(MainWindowPlacement(TConfig{}, QRect(0, 0, -5, -5)), QRect(286, 166, 832, 555));
}

TEST(PlacementTest, ExtremeValuesGiveAValidRectangle) {
  QRect r = MainWindowPlacement(Stored(INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX), kScreen);
  EXPECT_TRUE(r.isValid());
  EXPECT_EQ(r.width(), 16777215);
  EXPECT_GT(r.right(), r.left());
  EXPECT_GT(r.bottom(), r.top());
  r = MainWindowPlacement(TConfig{}, QRect(INT_MAX / 2, INT_MAX / 2, INT_MAX / 2, INT_MAX / 2));
  EXPECT_TRUE(r.isValid());
  EXPECT_GT(r.right(), r.left());
}

TEST(ShellTextsTest, CaptionIsTheFileNameWithoutFolderAndTheTitle) {
  EXPECT_EQ(WindowCaption("/home/user/music/song one.wav"), "song one.wav - Quillon");
  EXPECT_EQ(WindowCaption("take.mp3"), "take.mp3 - Quillon");
  EXPECT_EQ(WindowCaption("/home/user/take.mp3", true), "*take.mp3 - Quillon");
}

TEST(ShellTextsTest, OnlyASingleArgumentIsOpened) {
  EXPECT_EQ(FileToOpen({}), std::nullopt);
  EXPECT_EQ(FileToOpen({"/a.wav"}), std::optional<std::string>("/a.wav"));
  EXPECT_EQ(FileToOpen({"/a.wav", "/b.wav"}), std::nullopt);
  EXPECT_EQ(FileToOpen({""}), std::nullopt);
}

TEST(ShellTextsTest, GranularityReportText) {
  EXPECT_EQ(GranularityReport(16384, 16384, 12, 8),
            "  Granularity: 16384, page size: 16384, CPU arch: 12, CPU num: 8");
}

TEST(ShellTextsTest, OnlyAnUnusualGranularityIsReported) {
  EXPECT_FALSE(MachineGranularityReport(65536).has_value());
  const auto report = MachineGranularityReport(16384);
  ASSERT_TRUE(report.has_value());
  EXPECT_TRUE(report->starts_with("  Granularity: 16384, page size: ")) << *report;
  EXPECT_NE(report->find(", CPU num: "), std::string::npos);
}

TEST(ShellTextsTest, ArchitectureCodes) {
  EXPECT_EQ(ProcessorArchitectureCode("x86_64"), 9u);
  EXPECT_EQ(ProcessorArchitectureCode("aarch64"), 12u);
  EXPECT_EQ(ProcessorArchitectureCode("armv7l"), 5u);
  EXPECT_EQ(ProcessorArchitectureCode("i686"), 0u);
  EXPECT_EQ(ProcessorArchitectureCode("riscv64"), 0xFFFFu);
}

TEST(ShellTextsTest, MillisecondTexts) {
  EXPECT_EQ(FormatMs(83456), "001:23.456");
  EXPECT_EQ(FormatMs(0), "000:00.000");
  EXPECT_EQ(FormatMs(1000 * 60000 + 5), "1000:00.005");
  EXPECT_EQ(ParseMs("001:23.456"), 83456u);
  EXPECT_EQ(ParseMs(" 2 : 3 . 4 "), 123004u);
  EXPECT_EQ(ParseMs("0:75.000"), 75000u);  // seconds beyond 59 still count
  for (const char* bad : {"", "12", "1:2", "a:00.000", "1:-2.000", "1:2.x", "99999999:00.000"})
    EXPECT_FALSE(ParseMs(bad).has_value()) << bad;
}

TEST(ShellTextsTest, VolumeBarRunsLogarithmically) {
  EXPECT_EQ(PlayerVolume(-10000), 0);
  EXPECT_EQ(PlayerVolume(-8000), -242);
  EXPECT_EQ(PlayerVolume(-1000), -2499);
  EXPECT_EQ(PlayerVolume(-1), -9247);
  EXPECT_EQ(PlayerVolume(0), -10000);
  EXPECT_EQ(PlayerVolume(5), -10000);
}

TEST(DisplayScalingTest, SizesAreScaledAndRoundedToNearest) {
  EXPECT_EQ(ScaleForDpi(100, 144), 150);
  EXPECT_EQ(ScaleForDpi(20, 120), 25);  // track bar thumb at 125 %
  EXPECT_EQ(ScaleForDpi(16, 168), 28);
  EXPECT_EQ(ScaleForDpi(1, 48), 1);     // one half rounds up
  EXPECT_EQ(ScaleForDpi(3, 120), 4);    // 3.75
  EXPECT_EQ(ScaleForDpi(100, 0), 100);  // a nonsense density changes nothing
  EXPECT_EQ(ScaleForDpi(INT_MAX, 1000), INT_MAX);
}

TEST(DisplayScalingTest, GlyphsAreRedrawnOnlyAbove150Percent) {
  EXPECT_FALSE(RedrawGlyphsAtDpi(96));
  EXPECT_FALSE(RedrawGlyphsAtDpi(144));
  EXPECT_TRUE(RedrawGlyphsAtDpi(168));
}

}  // namespace
}  // namespace quillon
