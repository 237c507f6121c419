#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <vector>

#include "display/waveview.h"
#include "support/document_harness.h"
#include "support/wait.h"

namespace quillon {
namespace {

struct TSelectRecord {
  uint32_t start, stop, startms, stopms;
  bool selected;
};

// A view 698 × 250 over a document with recorded events and a real scroll bar.
class WaveInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxes(&harness.boxes);
    view.resize(698, 250);
    view.SetScrollBar(&scroll);
    QObject::connect(
        &view, &TWaveView::SelectionChanged, &view,
        [this](uint32_t start, uint32_t stop, uint32_t startms, uint32_t stopms, bool selected) {
          selects.push_back({start, stop, startms, stopms, selected});
        });
    QObject::connect(&view, &TWaveView::CursorMoved, &view, [this](uint32_t position, uint32_t ms) {
      cursors.emplace_back(position, ms);
    });
  }
  void TearDown() override { SetMessageBoxes(nullptr); }

  void Open(uint32_t frames, uint32_t rate = 8000) {
    ASSERT_TRUE(harness.OpenSamples(1, std::vector<int16_t>(frames, 1000), rate));
    view.AttachDocument(&harness.document);
  }
  int Area() const { return view.width() - RightMargin; }
  void Key(Qt::Key key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&view, &event);
  }
  uint32_t FrameAt(int x) const {
    return static_cast<uint32_t>(std::nearbyint(x * double(view.ViewLength()) / Area())) +
           view.ViewStart();
  }

  test::TDocumentHarness harness;
  TWaveView view;
  QScrollBar scroll{Qt::Horizontal};
  std::vector<TSelectRecord> selects;
  std::vector<std::pair<uint32_t, uint32_t>> cursors;
};

TEST_F(WaveInputTest, ZoomStepsByOneAndAHalfDownToFiftyFramesAndBack) {
  Open(100000);
  view.SetView(0, 100);
  std::vector<uint32_t> lengths;
  for (int i = 0; i < 3; ++i) {
    view.ZoomIn();
    lengths.push_back(view.ViewLength());
  }
  EXPECT_EQ(lengths, (std::vector<uint32_t>{67, 45, 45}));
  lengths.clear();
  for (int i = 0; i < 3; ++i) {
    view.ZoomOut();
    lengths.push_back(view.ViewLength());
  }
  EXPECT_EQ(lengths, (std::vector<uint32_t>{68, 102, 153}));
  for (int i = 0; i < 40; ++i) view.ZoomOut();
  EXPECT_EQ(view.ViewLength(), 100000u);
  EXPECT_EQ(view.ViewStart(), 0u);
}

TEST_F(WaveInputTest, ZoomsCentreOnTheCursorWithinTheDocument) {
  Open(100000);
  view.SetCursorPos(10);
  view.ZoomIn();
  EXPECT_EQ(view.ViewStart(), 0u);
  EXPECT_EQ(view.ViewStop(), view.ViewLength());
  view.SetCursorPos(100000 - 5);
  view.ZoomIn();
  EXPECT_EQ(view.ViewStop(), 100000u);
  view.SetCursorPos(50000);
  view.ZoomIn();
  EXPECT_EQ(view.ViewStart(), 50000 - view.ViewLength() / 2);
  // The scroll bar follows: thumb = view, position = its start, without feeding back.
  EXPECT_EQ(scroll.pageStep(), static_cast<int>(view.ViewLength()));
  EXPECT_EQ(scroll.value(), static_cast<int>(view.ViewStart()));
  EXPECT_EQ(scroll.singleStep(), std::max<int>(2 * view.ViewLength() / Area(), 1));
}

TEST_F(WaveInputTest, ScrollingPastTheEndIsPulledBack) {
  Open(100000);
  view.SetCursorPos(50000);
  view.ZoomIn();
  scroll.setValue(scroll.maximum());
  view.ScrollChanged();
  EXPECT_EQ(view.ViewStop(), 100000u);
  EXPECT_EQ(view.ViewStart(), 100000u - view.ViewLength());
}

TEST_F(WaveInputTest, ScrollStepsStayWithinTheDocument) {
  Open(100000);
  view.resize(RightMargin + 1, 250);  // one column: two columns' worth is twice the document
  view.SetCursorPos(50000);
  view.ZoomIn();
  EXPECT_LE(scroll.singleStep(), 100000);
  // A click beside the thumb moves by fifty small steps, held to the range.
  scroll.setValue(0);
  scroll.triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(scroll.value(), scroll.maximum());
}

TEST_F(WaveInputTest, ZoomFullOnAShortDocumentLeavesTheSmallStepAtZero) {
  Open(200);
  view.ZoomFull();
  EXPECT_EQ(scroll.singleStep(), 0);
  EXPECT_EQ(view.ViewLength(), 200u);
}

TEST_F(WaveInputTest, KeysMoveTheCursorWithinTheDocument) {
  Open(100000);
  const uint32_t step = 100000 / Area();
  cursors.clear();
  Key(Qt::Key_End);
  EXPECT_EQ(view.CursorPos(), 100000u);
  Key(Qt::Key_Right);
  EXPECT_EQ(view.CursorPos(), 100000u);
  Key(Qt::Key_Left);
  EXPECT_EQ(view.CursorPos(), 100000u - step);
  Key(Qt::Key_Home);
  EXPECT_EQ(view.CursorPos(), 0u);
  view.SetCursorPos(step - 1);
  Key(Qt::Key_Left);
  EXPECT_EQ(view.CursorPos(), 0u);
  Key(Qt::Key_Right);
  EXPECT_EQ(view.CursorPos(), step);
  cursors.clear();
  Key(Qt::Key_A);  // any other key reports the cursor unchanged
  ASSERT_EQ(cursors.size(), 1u);
  EXPECT_EQ(cursors[0], std::make_pair(step, view.SamplesToMs(step)));
}

TEST_F(WaveInputTest, AClickPlacesTheCursorAndClearsTheSelection) {
  Open(100000);
  view.SetSelection(10, 20, true);
  QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(100, 100));
  ASSERT_EQ(selects.size(), 2u);
  for (const auto& s : selects) EXPECT_FALSE(s.selected);
  EXPECT_FALSE(view.Selected());
  EXPECT_EQ(view.CursorPos(), FrameAt(100));
}

TEST_F(WaveInputTest, DragsSelectInEitherDirectionAndStopAtTheArea) {
  Open(100000);
  QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(300, 100));
  QTest::mouseMove(&view, QPoint(100, 100));
  // The band from the press to the mouse is shown inverted while dragging.
  const QRgb back = view.CleanFrame().pixel(200, 100);
  EXPECT_EQ(view.Frame().pixel(200, 100) & 0xFFFFFF, ~back & 0xFFFFFF);
  QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(100, 100));
  ASSERT_FALSE(selects.empty());
  EXPECT_TRUE(selects.back().selected);
  EXPECT_EQ(selects.back().start, FrameAt(100));
  EXPECT_EQ(selects.back().stop, FrameAt(300));
  EXPECT_EQ(selects.back().stopms, view.SamplesToMs(FrameAt(300)));
  EXPECT_EQ(view.CursorPos(), FrameAt(300));  // the press point

  // Out of the control to the left: from the view's start; to the right: the area's edge.
  QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(300, 100));
  QTest::mouseMove(&view, QPoint(-50, 100));
  QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(-50, 100));
  EXPECT_EQ(view.SelStart(), view.ViewStart());
  QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(300, 100));
  QTest::mouseMove(&view, QPoint(2000, 100));
  QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(2000, 100));
  EXPECT_EQ(view.SelStop(), 100000u);
  EXPECT_TRUE(view.Selected());
}

TEST_F(WaveInputTest, ADragDuringPlaybackReplaysTheNewSelection) {
  Open(80000);
  ASSERT_TRUE(view.HasPlayer());
  view.StartPlay();
  ASSERT_TRUE(view.Playing());
  QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_TRUE(view.Playing());  // restarted from the press
  QTest::mouseMove(&view, QPoint(300, 100));
  EXPECT_FALSE(view.Playing());  // moving stops it
  QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(300, 100));
  EXPECT_TRUE(view.Playing());  // the release plays the selection
  EXPECT_TRUE(view.Selected());
  ASSERT_TRUE(test::WaitUntil([&] { return view.CursorPos() > FrameAt(100); }));
  // The selection stays highlighted while the play cursor moves.
  EXPECT_EQ(view.Frame().pixel(200, 100) & 0xFFFFFF, ~view.Frame().pixel(500, 100) & 0xFFFFFF);
  view.StopPlay();
}

TEST_F(WaveInputTest, OnlyTheLeftButtonSelects) {
  Open(100000);
  QTest::mouseClick(&view, Qt::RightButton, {}, QPoint(100, 100));
  EXPECT_TRUE(selects.empty());
  EXPECT_EQ(view.CursorPos(), 0u);
}

TEST_F(WaveInputTest, SelectionsAreOrderedAndHeldToTheDocument) {
  Open(1000);
  view.SetSelection(700, 300, true);
  EXPECT_EQ(view.SelStart(), 300u);
  EXPECT_EQ(view.SelStop(), 700u);
  view.SetSelection(5000, 900, true);
  EXPECT_EQ(view.SelStart(), 900u);
  EXPECT_EQ(view.SelStop(), 1000u);
  view.SetSelectionMs(125, 50, true);  // 8000 Hz: 1000 and 400 frames
  EXPECT_EQ(view.SelStart(), 400u);
  EXPECT_EQ(view.SelStop(), 1000u);
  EXPECT_TRUE(selects.empty());
}

TEST_F(WaveInputTest, ConversionsRunInSinglePrecision) {
  Open(100, 44100);
  EXPECT_EQ(view.SamplesToMs(44100), 1000u);
  EXPECT_EQ(view.MsToSamples(1000), 44100u);
  // Beyond 2^24 a float keeps only every second integer.
  EXPECT_EQ(
      view.SamplesToMs(16777217),
      static_cast<uint32_t>(std::nearbyint(static_cast<float>(16777216.0f / 44100.0f) * 1000)));
}

TEST_F(WaveInputTest, NothingMovesWithoutADocument) {
  view.AttachDocument(nullptr);
  view.ZoomIn();
  view.ZoomFull();
  Key(Qt::Key_End);
  QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_EQ(view.CursorPos(), 0u);
  EXPECT_TRUE(selects.empty());
  EXPECT_TRUE(view.QueryClose());
}

TEST_F(WaveInputTest, CloseQueryAsksAboutUnsavedChanges) {
  Open(1000);
  ASSERT_TRUE(harness.Run([](Twavefile& d) { return d.Invert(); }));
  harness.boxes.answer = TAnswer::Cancel;
  EXPECT_FALSE(view.QueryClose());
  EXPECT_TRUE(harness.document.Loaded());
  EXPECT_EQ(harness.boxes.shown.back().text, "Would you like to save changes?");
  harness.boxes.answer = TAnswer::Yes;
  EXPECT_FALSE(view.QueryClose());
  EXPECT_TRUE(view.CloseAfterSave());
  harness.WaitIdle();
  EXPECT_FALSE(harness.document.Modified());
  // Saved: the next query closes without asking.
  const size_t asked = harness.boxes.shown.size();
  EXPECT_TRUE(view.QueryClose());
  EXPECT_EQ(harness.boxes.shown.size(), asked);
  EXPECT_FALSE(harness.document.Loaded());
}

TEST_F(WaveInputTest, CloseQueryNoClosesWithoutSaving) {
  Open(1000);
  ASSERT_TRUE(harness.Run([](Twavefile& d) { return d.Invert(); }));
  harness.boxes.answer = TAnswer::No;
  EXPECT_TRUE(view.QueryClose());
  EXPECT_FALSE(view.CloseAfterSave());
  EXPECT_FALSE(harness.document.Loaded());
}

}  // namespace
}  // namespace quillon
