// The main window under the keys, clicks and wheel turns that users of other editors reach for.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <set>
#include <string>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "shell/main.h"
#include "shell/windowdriver.h"
#include "support/wait.h"

namespace quillon {
namespace {

constexpr uint32_t kFrames = 100000;

// A window with a document open and the view focused, as the user has it before a key.
class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.OpenFile("input", kFrames));
    window.Form().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window.Form()));
    window.View().setFocus();
  }

  // The frame under x of the view's wave area, as a click there places it.
  uint32_t FrameAt(int x) const {
    const TWaveView& view = window.View();
    const double area = view.width() - RightMargin;
    return static_cast<uint32_t>(std::nearbyint(x * (view.ViewLength() / area))) + view.ViewStart();
  }

  void Click(int x, Qt::KeyboardModifiers keys = {}) {
    QTest::mouseClick(&window.View(), Qt::LeftButton, keys, QPoint(x, 100));
  }

  // A wheel turn over the view; the view leaves it to the window, as it does with real ones.
  void Wheel(QPoint angle, Qt::KeyboardModifiers keys = {}) {
    const QPoint at = window.View().mapTo(&window.Form(), QPoint(100, 100));
    QWheelEvent wheel(at, window.Form().mapToGlobal(at), {}, angle, Qt::NoButton, keys,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&window.Form(), &wheel);
  }

  test::TWindowDriver window;
};

struct TKeyRow {
  QKeySequence keys;
  const char* action;   // "" when the key must run no command
  int64_t cursor = -1;  // where the key leaves the cursor, or -1: where it was
};

// Each key as the user types it runs exactly its command; the designed keys keep theirs, and
// the cursor keys run none and move the cursor only, never the view or the selection.
TEST_F(InputTest, EveryShortcutRunsItsCommand) {
  constexpr uint32_t kShown = 10000;
  // One pixel column's worth of frames.
  const int64_t kStep = std::max<int64_t>(kShown / (window.View().width() - RightMargin), 1);
  const TKeyRow rows[] = {
      {QKeySequence("Ctrl+Y"), "RedoAction"},
      {QKeySequence("Ctrl+Shift+Z"), "RedoAction"},
      {QKeySequence("Ctrl+Z"), "UndoAction"},
      {QKeySequence("Ctrl+1"), "ZoomInAction"},
      {QKeySequence("Ctrl+3"), "ZoomOutAction"},
      {QKeySequence("Ctrl+F"), "ZoomFullAction"},
      {QKeySequence("+"), "ZoomInAction"},
      {QKeySequence("Ctrl+="), "ZoomInAction"},
      {QKeySequence("-"), "ZoomOutAction"},
      {QKeySequence("Ctrl+0"), "ZoomFullAction"},
      {QKeySequence("Ctrl+E"), "ZoomSelAction"},
      {QKeySequence("Ctrl+A"), "SelectAllAction"},
      {QKeySequence("Ctrl+O"), "OpenAction"},
      {QKeySequence("Ctrl+S"), "SaveAction"},
      {QKeySequence("Ctrl+X"), "CutAction"},
      {QKeySequence("Ctrl+C"), "CopyAction"},
      {QKeySequence("Ctrl+V"), "PasteAction"},
      {QKeySequence(Qt::Key_Delete), "DeleteAction"},
      {QKeySequence(Qt::Key_Space), "PlayAction"},
      {QKeySequence("Ctrl+Space"), "LoopPlayAction"},
      {QKeySequence("Shift+Space"), "CutPreviewAction"},
      {QKeySequence(Qt::Key_F1), "ContentsAction"},
      {QKeySequence("Alt+F4"), "ExitAction"},
      {QKeySequence("Ctrl+Q"), "ExitAction"},
      {QKeySequence(Qt::Key_Right), "", 45000 + kStep},
      {QKeySequence(Qt::Key_Left), "", 45000},
      {QKeySequence(Qt::Key_End), "", kFrames},
      {QKeySequence(Qt::Key_Home), "", 0},
  };
  TWaveView& view = window.View();
  view.SetView(40000, kShown);
  view.SetSelection(1000, 2000, true);
  view.SetCursorPos(45000);
  std::vector<std::string> run;
  // Every command is there to be run; what the handlers do is not this test's concern.
  for (QAction* action : window.Form().findChildren<QAction*>()) {
    action->setEnabled(true);
    action->disconnect(&window.Form());
    QObject::connect(action, &QAction::triggered,
                     [&run, action] { run.push_back(action->objectName().toStdString()); });
  }
  std::set<QKeySequence> taken;
  for (QAction* action : window.Form().findChildren<QAction*>())
    for (const QKeySequence& keys : action->shortcuts())
      EXPECT_TRUE(taken.insert(keys).second) << keys.toString().toStdString() << " is taken twice";

  for (const TKeyRow& row : rows) {
    SCOPED_TRACE(row.keys.toString().toStdString());
    run.clear();
    const uint32_t cursor = view.CursorPos();
    const QKeyCombination key = row.keys[0];
    QTest::keyClick(&view, key.key(), key.keyboardModifiers());
    window.Breathe();
    if (*row.action)
      EXPECT_EQ(run, std::vector<std::string>{row.action});
    else
      EXPECT_TRUE(run.empty()) << run.front();
    EXPECT_EQ(view.CursorPos(), row.cursor < 0 ? cursor : row.cursor);
    EXPECT_EQ(view.ViewStart(), 40000u);
    EXPECT_EQ(view.ViewLength(), kShown);
    EXPECT_TRUE(view.Selected());
    EXPECT_EQ(view.SelStart(), 1000u);
    EXPECT_EQ(view.SelStop(), 2000u);
  }
}

TEST_F(InputTest, ZoomToSelectionShowsExactlyTheSelection) {
  TWaveView& view = window.View();
  QAction* zoom = window.Action("ZoomSelAction");
  ASSERT_NE(zoom, nullptr);
  EXPECT_FALSE(zoom->isEnabled()) << "nothing is selected yet";
  const std::pair<int, int> drags[] = {{120, 300}, {400, 150}, {10, 11}, {0, 20}};
  for (const auto& [from, to] : drags) {
    SCOPED_TRACE(std::to_string(from) + " to " + std::to_string(to));
    view.ZoomFull();
    window.Drag(from, to);
    ASSERT_TRUE(view.Selected());
    ASSERT_TRUE(zoom->isEnabled());
    const uint32_t start = view.SelStart(), stop = view.SelStop();
    QTest::keyClick(&view, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(view.ViewStart(), start);
    EXPECT_EQ(view.ViewStop(), stop);
    EXPECT_EQ(view.ViewLength(), stop - start);
    EXPECT_EQ(view.ScrollBar()->value(), static_cast<int>(start));
    EXPECT_EQ(view.ScrollBar()->pageStep(), static_cast<int>(stop - start));
    // The selection, cursor and document stay as they were.
    EXPECT_TRUE(view.Selected());
    EXPECT_EQ(view.SelStart(), start);
    EXPECT_EQ(view.SelStop(), stop);
  }
  Click(200);
  EXPECT_FALSE(zoom->isEnabled()) << "a click clears the selection";
}

struct TShiftClickRow {
  const char* name;
  int dragFrom, dragTo;  // the selection before; equal: a plain click placing the cursor only
  int shiftX;
  int expectedFrom, expectedTo;  // the columns of the selection after
};

TEST_F(InputTest, ShiftClickExtendsTheSelection) {
  const TShiftClickRow rows[] = {
      {"cursor only, click after it", 100, 100, 300, 100, 300},
      {"cursor only, click before it", 100, 100, 50, 50, 100},
      {"before the selection: its start moves", 200, 400, 150, 150, 400},
      {"inside, nearer the start", 200, 400, 250, 250, 400},
      {"inside, nearer the end", 200, 400, 350, 200, 350},
      {"after the selection: its end moves", 400, 200, 500, 200, 500},
  };
  TWaveView& view = window.View();
  for (const TShiftClickRow& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.dragFrom == row.dragTo)
      Click(row.dragFrom);
    else
      window.Drag(row.dragFrom, row.dragTo);
    const uint32_t cursor = view.CursorPos();
    Click(row.shiftX, Qt::ShiftModifier);
    EXPECT_TRUE(view.Selected());
    EXPECT_EQ(view.SelStart(), FrameAt(row.expectedFrom));
    EXPECT_EQ(view.SelStop(), FrameAt(row.expectedTo));
    EXPECT_EQ(view.CursorPos(), cursor);
    // The window's selection commands follow.
    EXPECT_TRUE(window.Action("CutAction")->isEnabled());
  }
}

struct TWheelRow {
  const char* name;
  QPoint angle;
  Qt::KeyboardModifiers keys;
  uint32_t start;  // of a view 12000 frames wide, with the cursor at 46000
  uint32_t expectedStart, expectedLength;
};

TEST_F(InputTest, TheWheelZoomsAndSidewaysOrWithShiftScrolls) {
  const TWheelRow rows[] = {
      {"sideways to the right", {-120, 0}, {}, 40000, 41200, 12000},
      {"sideways to the left", {120, 0}, {}, 40000, 38800, 12000},
      {"two notches sideways", {-240, 0}, {}, 40000, 42400, 12000},
      {"Shift and the wheel down", {0, -120}, Qt::ShiftModifier, 40000, 41200, 12000},
      {"Shift and the wheel up", {0, 120}, Qt::ShiftModifier, 40000, 38800, 12000},
      {"Shift delivered sideways", {-120, 0}, Qt::ShiftModifier, 40000, 41200, 12000},
      {"left, near the start", {120, 0}, {}, 500, 0, 12000},
      {"right, near the end", {-120, 0}, {}, 87500, 88000, 12000},
      {"plain wheel up zooms in", {0, 120}, {}, 40000, 42000, 8000},
      {"plain wheel down zooms out", {0, -120}, {}, 40000, 37000, 18000},
  };
  TWaveView& view = window.View();
  for (const TWheelRow& row : rows) {
    SCOPED_TRACE(row.name);
    view.SetView(row.start, 12000);
    view.SetCursorPos(46000);
    Wheel(row.angle, row.keys);
    EXPECT_EQ(view.ViewStart(), row.expectedStart);
    EXPECT_EQ(view.ViewLength(), row.expectedLength);
    EXPECT_EQ(view.ScrollBar()->value(), static_cast<int>(row.expectedStart));
  }
}

struct THabitRow {
  const char* name;
  bool likePeers;
  QKeySequence keys;  // or, when empty, Ctrl and the wheel up over pixel 100
  // Where it leaves the cursor, the selection (start == stop: none) and the view's start.
  uint32_t cursor, start, stop, viewStart;
};

// The switch "Work like other audio editors": off, every key and turn does what it always did;
// on, the habits of other editors. The view shows 40000 to 50000, the cursor at 45000, nothing
// selected.
TEST_F(InputTest, TheSwitchForOtherEditorsHabitsChangesOnlyWhatItNames) {
  TWaveView& view = window.View();
  const uint32_t step = std::max<uint32_t>(10000 / (view.width() - RightMargin), 1);
  const THabitRow rows[] = {
      {"Shift+Right, off", false, QKeySequence("Shift+Right"), 45000 + step, 0, 0, 40000},
      {"Shift+Right, on", true, QKeySequence("Shift+Right"), 45000 + step, 45000, 45000 + step,
       40000},
      {"Shift+Home, off", false, QKeySequence("Shift+Home"), 0, 0, 0, 40000},
      {"Shift+Home, on: the view follows", true, QKeySequence("Shift+Home"), 0, 0, 45000, 0},
      {"End, off", false, QKeySequence(Qt::Key_End), kFrames, 0, 0, 40000},
      {"End, on: the view follows", true, QKeySequence(Qt::Key_End), kFrames, 0, 0, 90000},
      {"Ctrl and the wheel, off: around the cursor", false, {}, 45000, 0, 0, 41667},
      {"Ctrl and the wheel, on: at the pointer", true, {}, 45000, 0, 0, 0},
  };
  for (const THabitRow& row : rows) {
    SCOPED_TRACE(row.name);
    config.likepeers = row.likePeers;
    view.SetView(40000, 10000);
    view.SetSelection(0, 0, false);
    view.SetCursorPos(45000);
    const uint32_t underPointer = FrameAt(100);
    if (row.keys.isEmpty()) {
      Wheel({0, 120}, Qt::ControlModifier);
    } else {
      const QKeyCombination key = row.keys[0];
      QTest::keyClick(&view, key.key(), key.keyboardModifiers());
    }
    EXPECT_EQ(view.CursorPos(), row.cursor);
    EXPECT_EQ(view.Selected(), row.start != row.stop);
    if (row.start != row.stop) {
      EXPECT_EQ(view.SelStart(), row.start);
      EXPECT_EQ(view.SelStop(), row.stop);
    }
    if (row.keys.isEmpty() && row.likePeers)
      EXPECT_EQ(FrameAt(100), underPointer) << "the frame under the pointer stays there";
    else
      EXPECT_EQ(view.ViewStart(), row.viewStart);
  }
  config.likepeers = false;
}

}  // namespace
}  // namespace quillon
