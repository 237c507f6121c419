#include "display/waveview.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QTest>
#include <cmath>
#include <set>
#include <vector>

#include "playback/audio_drivers.h"
#include "playback/playunit.h"
#include "support/document_harness.h"
#include "support/wait.h"

namespace quillon {
namespace {

constexpr QRgb Rgb(int r, int g, int b) {
  return (r << 16) | (g << 8) | b;
}
QRgb FromBgr(uint32_t v) {
  return Rgb(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}
int Round(double v) {
  return static_cast<int>(std::nearbyint(v));
}

constexpr QRgb kBlack = Rgb(0, 0, 0);
constexpr QRgb kYellow = Rgb(255, 255, 0);

// Label text is antialiased, so its strokes are dark rather than exactly black.
bool Dark(QRgb c) {
  return qRed(c) < 128 && qGreen(c) < 128 && qBlue(c) < 128;
}

class WaveViewTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = {ViewBackColor, ViewScaleColor, ViewWaveColor}; }
  void TearDown() override {
    ViewBackColor = saved_[0];
    ViewScaleColor = saved_[1];
    ViewWaveColor = saved_[2];
  }

  QRgb Px(int x, int y) const { return view.Frame().pixel(x, y) & 0xFFFFFF; }
  int Area() const { return view.width() - RightMargin; }
  // Lane centre of lane i of n, derived from the control's height.
  int Centre(int i, int n) const {
    return Round(double(view.height() - TopMargin) / (2 * n) * (2 * i + 1)) + TopMargin;
  }
  // Pixels between a lane's centre and its full scale line.
  int FullScale(int n) const { return Round(32768.0 / (32768.0 / view.height() * 3 * n)); }
  int Offset(double value, int n) const { return Round(value / (32768.0 / view.height() * 3 * n)); }
  bool Wave(int x, int y) const { return Px(x, y) == FromBgr(ViewWaveColor); }

  void Open(uint16_t channels, const std::vector<int16_t>& samples, uint32_t rate = 8000) {
    ASSERT_TRUE(harness.OpenSamples(channels, samples, rate));
    view.AttachDocument(&harness.document);
  }

  // Columns of the wave area whose major time tick is drawn (row 4 is below the minor ticks).
  std::vector<int> MajorTicks() const {
    std::vector<int> xs;
    for (int x = 0; x < Area(); ++x)
      if (Px(x, 4) == kBlack) xs.push_back(x);
    return xs;
  }
  int CountColour(const QImage& image, QRgb colour) const {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) count += (image.pixel(x, y) & 0xFFFFFF) == colour;
    return count;
  }

  test::TDocumentHarness harness;
  TWaveView view;
  std::array<uint32_t, 3> saved_{};
};

std::vector<int> Every(int from, int step, int count) {
  std::vector<int> xs;
  for (int i = 0; i < count; ++i) xs.push_back(from + i * step);
  return xs;
}

// --- Without a document ---

TEST_F(WaveViewTest, EmptyViewShowsTwoLanesTheBandsAndElevenGridLines) {
  // A white background makes the black dotted grid visible.
  ViewBackColor = 0x00FFFFFF;
  view.Repaint();
  ASSERT_EQ(view.width(), 698);
  ASSERT_EQ(view.height(), 250);
  const int area = Area(), t = TopMargin;
  const QRgb scale = FromBgr(ViewScaleColor);

  EXPECT_EQ(Px(300, 5), scale);
  EXPECT_EQ(Px(view.width() - 1, view.height() - 1), scale);
  EXPECT_EQ(Px(300, t), Rgb(150, 150, 150));
  EXPECT_EQ(Px(area, 100), Rgb(150, 150, 150));

  const int b = FullScale(2);
  for (int lane = 0; lane < 2; ++lane) {
    const int c = Centre(lane, 2);
    EXPECT_EQ(view.LaneCentre(lane), c);
    EXPECT_EQ(Px(33, c), Rgb(140, 23, 23)) << lane;
    EXPECT_EQ(Px(33, c - b), Rgb(111, 135, 159)) << lane;
    EXPECT_EQ(Px(33, c + b), Rgb(111, 135, 159)) << lane;
    // "-90db" is written in the amplitude band beside the centre line.
    bool label = false;
    for (int x = area + 3; x < view.width(); ++x)
      for (int y = c - 4; y < c + 8; ++y) label |= Dark(Px(x, y));
    EXPECT_TRUE(label) << lane;
  }
  EXPECT_EQ(Px(33, Round((view.height() - t) / 2.0) + t), Rgb(255, 255, 255));

  std::set<int> gridColumns;
  for (int x = 0; x < area; ++x)
    for (int y = t + 1; y < view.height(); ++y)
      if (Px(x, y) == kBlack) gridColumns.insert(x);
  std::vector<int> expected = Every(0, area / 10, 11);
  EXPECT_EQ(std::vector<int>(gridColumns.begin(), gridColumns.end()), expected);

  // No time labels or ticks, no cursor.
  for (int y = 0; y < t; ++y)
    for (int x = 0; x < view.width(); ++x) ASSERT_FALSE(Dark(Px(x, y))) << x << "," << y;
  EXPECT_EQ(CountColour(view.Frame(), kYellow), 0);
}

// A window's view is laid out several times before it shows; it draws once, when shown.
TEST_F(WaveViewTest, AViewDrawnWhenShownDrawsNothingUntilItShows) {
  TWaveView held;
  held.SetDrawWhenShown(true);
  held.resize(300, 120);
  const uint64_t before = held.Presentations();
  held.Repaint();
  held.SetShowMs(false);
  EXPECT_EQ(held.Presentations(), before);
  held.show();
  EXPECT_GT(held.Presentations(), before);
  EXPECT_EQ(held.Frame().size(), held.size() * held.devicePixelRatio());
}

TEST_F(WaveViewTest, TheVolumeSetBeforeThePlayerIsTakenReachesIt) {
  view.SetVolume(-1234);
  ASSERT_TRUE(view.HasPlayer()) << "the tests play through SDL's dummy driver";
  EXPECT_EQ(view.Player()->Volume(), -1234);
}

TEST_F(WaveViewTest, AViewGoingBeforeItTookThePreparedPlayerClosesItSilently) {
  test::UseMissingDriver();
  {
    TWaveView gone;
    gone.OpenPlayerAside();
  }
  EXPECT_FALSE(PlayerPreparing());
  EXPECT_TRUE(harness.boxes.shown.empty());
  // The tests after this one play.
  test::UseDummyDriver();
}

TEST_F(WaveViewTest, PaintingIsOpaqueAndAFullRedrawPresentsTheFrame) {
  EXPECT_TRUE(view.testAttribute(Qt::WA_OpaquePaintEvent));
  const uint64_t before = view.Presentations();
  view.Repaint();
  EXPECT_EQ(view.Presentations(), before + 1);
  EXPECT_EQ(view.CleanFrame(), view.Frame());
  view.resize(400, 180);
  view.Repaint();
  EXPECT_EQ(view.Frame().size(), QSize(400, 180));
  EXPECT_EQ(view.CleanFrame().size(), QSize(400, 180));
}

TEST_F(WaveViewTest, ViewIsKeptInsideTheDocument) {
  Open(1, std::vector<int16_t>(8000, 0));
  EXPECT_EQ(view.ViewStart(), 0u);
  EXPECT_EQ(view.ViewStop(), 8000u);
  EXPECT_EQ(view.ViewLength(), 8000u);

  view.SetView(6000, 4000);  // past the end: the stop becomes the last frame
  EXPECT_EQ(view.ViewStart(), 6000u);
  EXPECT_EQ(view.ViewStop(), 7999u);
  EXPECT_EQ(view.ViewLength(), 2000u);

  view.SetView(9000, 500);  // starting past the end: back to the beginning
  EXPECT_EQ(view.ViewStart(), 0u);
  EXPECT_EQ(view.ViewStop(), 7999u);
  EXPECT_EQ(view.ViewLength(), 8000u);
}

// --- Lanes ---

TEST_F(WaveViewTest, MonoDocumentHasOneLaneCentredBelowTheTimeScale) {
  Open(1, std::vector<int16_t>(8000, 0));
  const int c = (view.height() - TopMargin) / 2 + TopMargin;
  EXPECT_EQ(view.LaneCentre(0), c);
  EXPECT_TRUE(Wave(100, c));
  EXPECT_EQ(Px(130, c - FullScale(1)), Rgb(111, 135, 159));
  EXPECT_EQ(Px(130, c + FullScale(1)), Rgb(111, 135, 159));
}

TEST_F(WaveViewTest, StereoLanesEachDrawOnlyTheirOwnChannelAtEveryZoom) {
  view.resize(RightMargin + 20, 250);
  std::vector<int16_t> samples;
  for (int f = 0; f < 12000; ++f) samples.insert(samples.end(), {16384, -16384});
  Open(2, samples);
  const int top = Centre(0, 2), bottom = Centre(1, 2);
  EXPECT_EQ(view.LaneCentre(0), top);
  EXPECT_EQ(view.LaneCentre(1), bottom);
  // Peak index, samples column by column, single frames.
  for (uint32_t length : {10240u, 2000u, 10u}) {
    view.SetView(0, length);
    EXPECT_EQ(Px(10, (view.height() - TopMargin) / 2 + TopMargin), Rgb(255, 255, 255));
    const int off = Offset(16384, 2);
    EXPECT_TRUE(Wave(10, top - off)) << length;
    EXPECT_FALSE(Wave(10, top + off)) << length;
    EXPECT_TRUE(Wave(10, bottom + off)) << length;
    EXPECT_FALSE(Wave(10, bottom - off)) << length;
  }
}

// --- Zoom modes ---

TEST_F(WaveViewTest, PeakIndexFromExactly512FramesPerPixelSamplesBelow) {
  view.resize(RightMargin + 100, 250);
  std::vector<int16_t> samples(60000, 0);
  // A spike early in block 11, which columns 10 and 11 both read from the index.
  for (int f = 512 * 11 + 10; f < 512 * 11 + 14; ++f) samples[f] = 16000;
  Open(1, samples);
  const int c = view.LaneCentre(0), up = Offset(16000, 1);

  // The peak of the spike as a run of columns in its row: the index spreads it over the two
  // columns that read block 11; the samples give it to one.
  auto peakWidth = [&] {
    int width = 0;
    for (int x = 0; x < Area(); ++x) width += Wave(x, c - up);
    return width;
  };
  view.SetView(0, 51200);
  EXPECT_DOUBLE_EQ(view.FramesPerPixel(), 512);
  EXPECT_EQ(peakWidth(), 2);

  view.SetView(0, 51190);
  EXPECT_NEAR(view.FramesPerPixel(), 511.9, 1e-9);
  EXPECT_EQ(peakWidth(), 1);
}

// Column 20 at 1536 frames per pixel reads blocks 60 to 63; 61 and 62 belong to it alone.
class BurstOrderTest : public WaveViewTest {
 protected:
  void Draw(int minAt, int maxAt) {
    view.resize(RightMargin + 100, 250);
    std::vector<int16_t> samples(160000, 0);
    samples[minAt] = -16000;
    samples[maxAt] = 16000;
    Open(1, samples);
    view.SetView(0, 153600);
    ASSERT_DOUBLE_EQ(view.FramesPerPixel(), 1536);
  }
  // The stroke leaving the column's left edge heads for the extreme drawn first.
  bool DrawnDownFirst() const { return Wave(20, view.LaneCentre(0) + 3); }
  bool DrawnUpFirst() const { return Wave(20, view.LaneCentre(0) - 3); }
};

TEST_F(BurstOrderTest, MinimumInAnEarlierBlockIsDrawnFirst) {
  Draw(61 * 512 + 100, 62 * 512 + 100);
  EXPECT_TRUE(DrawnDownFirst());
  EXPECT_FALSE(DrawnUpFirst());
}

TEST_F(BurstOrderTest, MaximumInAnEarlierBlockIsDrawnFirst) {
  Draw(62 * 512 + 100, 61 * 512 + 100);
  EXPECT_TRUE(DrawnUpFirst());
  EXPECT_FALSE(DrawnDownFirst());
}

TEST_F(BurstOrderTest, WithinOneBlockTheMaximumComesFirst) {
  Draw(61 * 512 + 100, 61 * 512 + 200);
  EXPECT_TRUE(DrawnUpFirst());
  EXPECT_FALSE(DrawnDownFirst());
}

TEST_F(WaveViewTest, FramesCarryMarkersAboveSixPixelsPerFrame) {
  Open(1, std::vector<int16_t>(1000, 0));
  const int c = view.LaneCentre(0);
  const int area = Area();
  ASSERT_EQ(area, 668);

  view.SetView(0, 95);  // 7.03 pixels per frame
  EXPECT_LT(view.FramesPerPixel(), 1);
  int x = Round(10 / view.FramesPerPixel());
  EXPECT_EQ(Px(x, c - 1), FromBgr(ViewScaleColor));
  EXPECT_EQ(Px(x + 2, c - 2), FromBgr(ViewWaveColor));
  EXPECT_TRUE(Wave(x, c));

  view.SetView(0, 111);  // 6.02 pixels per frame: Round gives 6
  x = Round(10 / view.FramesPerPixel());
  EXPECT_EQ(Px(x, c - 1), FromBgr(ViewBackColor));
  EXPECT_TRUE(Wave(x, c));
}

// --- Time scales ---

TEST_F(WaveViewTest, MillisecondScaleSteps) {
  Open(1, std::vector<int16_t>(30000, 0), 1000);
  EXPECT_EQ(MajorTicks(), Every(0, 111, 7));  // 5000 ms in 30 s: 668 * 5000 / 30000 pixels

  Open(1, std::vector<int16_t>(600000, 0), 1000);
  EXPECT_EQ(MajorTicks(), Every(0, 66, 11));  // one minute in ten

  // A label hangs below the first major tick.
  bool label = false;
  for (int y = 7; y < TopMargin; ++y)
    for (int x = 0; x < 30; ++x) label |= Dark(Px(x, y));
  EXPECT_TRUE(label);
}

TEST_F(WaveViewTest, MillisecondScaleKeepsTicksOnWholeStepsWhenScrolled) {
  Open(1, std::vector<int16_t>(60000, 0), 1000);
  view.SetView(2500, 30000);
  // The tick of 0 ms sits at Trunc(-2500 / 44.9) = -55, so the next one at 56.
  EXPECT_EQ(MajorTicks(), Every(56, 111, 6));
}

TEST_F(WaveViewTest, FrameScaleSteps) {
  Open(1, std::vector<int16_t>(44100, 0), 44100);
  view.SetShowMs(false);
  EXPECT_EQ(view.ViewLength(), 44100u);
  EXPECT_EQ(MajorTicks(), Every(0, 75, 9));  // 5000 frames

  Open(1, std::vector<int16_t>(3000, 0), 44100);
  EXPECT_EQ(MajorTicks(), Every(0, 111, 7));  // 500 frames
}

// The dark pixels of a scale label drawn alone, whole, in the scale's font and colours, on an
// image of the frame's pixel ratio.
int WholeLabelInk(const QString& text, qreal ratio) {
  QImage image(QSize(200, 40) * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(FromBgr(ViewScaleColor));
  {
    QPainter painter(&image);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(7);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(20, 5 + painter.fontMetrics().ascent()), text);
  }
  int ink = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) ink += Dark(image.pixel(x, y));
  return ink;
}

// A view, its scale and the label that must be the first one shown.
struct TFirstLabel {
  bool showMs;
  uint32_t frames;
  uint32_t rate;
  uint32_t viewStart;
  uint32_t viewLength;
  const char* label;
};

class FirstScaleLabelTest : public WaveViewTest,
                            public ::testing::WithParamInterface<TFirstLabel> {};

// The first label in the band below the ticks is whole: as many dark pixels as the label drawn
// alone, none cut off by the view's left edge. Counted in the frame's own pixels, so that it
// holds on a scaled screen too.
TEST_P(FirstScaleLabelTest, IsNotCutOffAtTheLeftEdge) {
  const TFirstLabel& row = GetParam();
  Open(1, std::vector<int16_t>(row.frames, 0), row.rate);
  view.SetShowMs(row.showMs);
  view.SetView(row.viewStart, row.viewLength);
  const QImage& frame = view.Frame();
  const qreal ratio = frame.devicePixelRatio();
  const int width = static_cast<int>(Area() * ratio);
  auto columnInk = [&](int x) {
    int ink = 0;
    for (int y = static_cast<int>(6 * ratio); y < static_cast<int>(TopMargin * ratio); ++y)
      ink += Dark(frame.pixel(x, y));
    return ink;
  };
  int first = 0;
  while (first < width && columnInk(first) == 0) ++first;
  ASSERT_LT(first, width);
  // A label's characters stand closer than five empty columns; labels much further apart.
  int ink = 0;
  for (int x = first, empty = 0; x < width && empty < 5 * ratio; ++x) {
    ink += columnInk(x);
    empty = columnInk(x) == 0 ? empty + 1 : 0;
  }
  EXPECT_NEAR(ink, WholeLabelInk(row.label, ratio), 2 * ratio * ratio)
      << "first ink at column " << first;
}

INSTANTIATE_TEST_SUITE_P(
    Views, FirstScaleLabelTest,
    ::testing::Values(TFirstLabel{true, 30000, 1000, 0, 30000, "0:00.00"},
                      TFirstLabel{false, 44100, 44100, 0, 44100, "0"},
                      // The tick of 0 ms lies 5 pixels left of the view: it has no label.
                      TFirstLabel{true, 60000, 1000, 225, 30000, "0:05.00"},
                      // The tick of 10000 lies 5 pixels left of the view.
                      TFirstLabel{false, 100000, 44100, 10335, 50000, "20000"}));

TEST_F(WaveViewTest, EmptyDocumentShowsOneTickAndNoWave) {
  Open(1, {});
  // The scale ends at 0: the view never claims a frame that is not there.
  EXPECT_EQ(view.ViewLength(), 0u);
  EXPECT_EQ(view.ViewStop(), 0u);
  EXPECT_EQ(MajorTicks(), std::vector<int>{0});
  EXPECT_EQ(CountColour(view.Frame(), FromBgr(ViewWaveColor)), 0);
}

// --- Selection and cursor ---

TEST_F(WaveViewTest, SelectionWiderThanTheViewInvertsTheWholeArea) {
  std::vector<int16_t> samples;
  for (int f = 0; f < 8000; ++f) samples.push_back(static_cast<int16_t>(f * 37 % 20000 - 10000));
  Open(1, samples);
  view.SetView(1000, 4000);
  const QImage plain = view.Frame().copy();

  view.SetSelection(500, 7000, true);
  const QImage& inverted = view.Frame();
  int wrong = 0;
  for (int y = 0; y < plain.height(); ++y)
    for (int x = 0; x < plain.width(); ++x) {
      const bool inside = y >= TopMargin && x < Area();
      const QRgb expected = plain.pixel(x, y) ^ (inside ? 0x00FFFFFF : 0);
      wrong += inverted.pixel(x, y) != expected;
    }
  EXPECT_EQ(wrong, 0);

  view.SetSelection(6000, 7000, true);
  EXPECT_EQ(view.Frame(), plain);
}

TEST_F(WaveViewTest, SelectionInsideTheViewInvertsItsColumnsOnly) {
  Open(1, std::vector<int16_t>(6680, 0));  // ten frames per pixel
  const QImage plain = view.Frame().copy();
  view.SetSelection(1000, 2000, true);
  const int y = view.LaneCentre(0) - 10;
  EXPECT_EQ(view.Frame().pixel(99, y), plain.pixel(99, y));
  EXPECT_EQ(view.Frame().pixel(100, y), plain.pixel(100, y) ^ 0x00FFFFFF);
  EXPECT_EQ(view.Frame().pixel(199, y), plain.pixel(199, y) ^ 0x00FFFFFF);
  EXPECT_EQ(view.Frame().pixel(200, y), plain.pixel(200, y));
  view.SetSelection(1000, 2000, false);
  EXPECT_EQ(view.Frame(), plain);
}

TEST_F(WaveViewTest, CursorAtViewStartIsNotDrawnOneFrameLaterItIs) {
  Open(1, std::vector<int16_t>(8000, 0));
  view.SetView(1000, 6680);
  view.SetCursorPos(1000);
  view.Repaint();
  EXPECT_EQ(CountColour(view.Frame(), kYellow), 0);

  view.SetCursorPos(1001);
  view.Repaint();
  EXPECT_EQ(view.CursorX(), 0);
  EXPECT_EQ(Px(0, TopMargin), kYellow);
  EXPECT_EQ(Px(0, view.height() - 1), kYellow);
  EXPECT_EQ(CountColour(view.CleanFrame(), kYellow), 0);
}

TEST_F(WaveViewTest, CursorMovesWithoutRedrawOnlyWhenItLeavesItsColumn) {
  Open(1, std::vector<int16_t>(8000, 0));
  uint64_t presented = view.Presentations();

  view.SetCursorPos(1200);  // column 100
  EXPECT_EQ(view.CursorX(), 100);
  EXPECT_EQ(view.Presentations(), ++presented);
  EXPECT_EQ(Px(100, TopMargin), kYellow);
  const QImage shown = view.Frame().copy();

  view.SetCursorPos(1203);  // still column 100
  EXPECT_EQ(view.Presentations(), presented);
  EXPECT_EQ(view.Frame(), shown);

  view.SetCursorPos(1300);  // column 109
  EXPECT_EQ(view.CursorX(), 109);
  EXPECT_EQ(view.Presentations(), ++presented);
  EXPECT_NE(Px(100, TopMargin), kYellow);
  EXPECT_EQ(Px(109, TopMargin), kYellow);
  EXPECT_EQ(CountColour(view.CleanFrame(), kYellow), 0);
}

TEST_F(WaveViewTest, NoAudioIsDrawnWhileTheDocumentIsNotLoaded) {
  Open(1, std::vector<int16_t>(8000, 12000));
  EXPECT_GT(CountColour(view.Frame(), FromBgr(ViewWaveColor)), 0);
  harness.document.Close();
  view.Repaint();
  EXPECT_EQ(CountColour(view.Frame(), FromBgr(ViewWaveColor)), 0);
  EXPECT_EQ(MajorTicks(), std::vector<int>{});
}

TEST_F(WaveViewTest, ColoursChangeAtTheNextFullRedraw) {
  Open(1, std::vector<int16_t>(8000, 0));
  ViewWaveColor = 0x000000FF;  // red
  EXPECT_FALSE(Wave(100, view.LaneCentre(0)));
  view.Repaint();
  EXPECT_EQ(Px(100, view.LaneCentre(0)), Rgb(255, 0, 0));
}

// --- The play cursor's steps ---

// What the view is asked to repaint.
class TPaintedRegion : public QObject {
 public:
  explicit TPaintedRegion(QWidget& widget) { widget.installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) region += static_cast<QPaintEvent*>(event)->region();
    return false;
  }
  QRegion region;
};

struct TCursorStep {
  uint32_t from;
  uint32_t to;
};

class CursorStepTest : public WaveViewTest, public ::testing::WithParamInterface<TCursorStep> {};

// A step repaints the bands the cursor leaves and enters (its line and marks two pixels either
// side, with one to spare), never the whole view, and leaves the frame a full redraw draws.
TEST_P(CursorStepTest, RepaintsOnlyTheBandsItLeavesAndEnters) {
  std::vector<int16_t> noise(8000);
  for (size_t i = 0; i < noise.size(); ++i)
    noise[i] = static_cast<int16_t>(i * 7919 % 20000) - 10000;
  Open(1, noise);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  view.SetCursorPos(GetParam().from);
  QApplication::processEvents();
  const bool drawnBefore = CountColour(view.Frame(), kYellow) > 0;
  const int before = view.CursorX();
  TPaintedRegion painted(view);

  view.SetCursorPos(GetParam().to);
  ASSERT_TRUE(test::WaitUntil([&] { return !painted.region.isEmpty(); }));
  QRegion bands;
  if (drawnBefore) bands += QRect(before - 3, 0, 7, view.height());
  if (CountColour(view.Frame(), kYellow) > 0)
    bands += QRect(view.CursorX() - 3, 0, 7, view.height());
  EXPECT_TRUE((painted.region - bands).isEmpty())
      << "repainted " << painted.region.boundingRect().width() << " columns";
  const QImage stepped = view.Frame().copy();
  view.Repaint();
  EXPECT_EQ(stepped, view.Frame());
}

INSTANTIATE_TEST_SUITE_P(Steps, CursorStepTest,
                         ::testing::Values(TCursorStep{1200, 1300}, TCursorStep{1300, 1200},
                                           TCursorStep{1200, 0}, TCursorStep{0, 1200},
                                           TCursorStep{7990, 100}));

}  // namespace
}  // namespace quillon
