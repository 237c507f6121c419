// The Markers menu on the real main window: each command as a row, a marker change as a step of
// the history, commands behind a running operation, the view's bands and drag, and the panel.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <filesystem>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "platform/event.h"
#include "shell/main.h"
#include "shell/markers/markercontroller.h"
#include "shell/markers/markerspanel.h"
#include "shell/windowdriver.h"
#include "support/wait.h"

namespace quillon {
namespace {

using test::TWindowDriver;

constexpr uint32_t kFrames = 8000;

std::string Describe(const TMarkerList& list) {
  std::string text;
  for (const TMarker& m : list.markers) text += "m" + std::to_string(m.frame) + ":" + m.name + " ";
  for (const TRegion& r : list.regions)
    text += "r" + std::to_string(r.start) + "-" + std::to_string(r.end) + ":" + r.name + " ";
  return text;
}

TMarkerList Initial() {
  TMarkerList list;
  list.AddMarker({500, "a"});
  list.AddMarker({4000, "b"});
  list.AddRegion({6000, 7000, "r"});
  return list;
}

// Holds every operation before its first step while alive.
class TWorkerHold {
 public:
  TWorkerHold() { PlaybackIdleEvent().Reset(); }
  ~TWorkerHold() { PlaybackIdleEvent().Set(); }
};

class MarkersWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(w.OpenFile("marks", kFrames));
    ASSERT_TRUE(w.Document().ChangeMarkers(Initial()));
    controller_ = w.Form().findChild<TMarkerController*>("MarkerController");
    ASSERT_NE(controller_, nullptr);
  }
  std::string Marks() const { return Describe(w.Document().Markers()); }
  std::string Place() const {
    const TWaveView& v = w.View();
    return "c" + std::to_string(v.CursorPos()) +
           (v.Selected() ? " s" + std::to_string(v.SelStart()) + "-" + std::to_string(v.SelStop())
                         : "");
  }

  TWindowDriver w;
  TMarkerController* controller_ = nullptr;
};

// One command from a place: the markers and the place it leaves.
struct TCommandRow {
  const char* name;
  const char* action;
  uint32_t cursor;
  uint32_t selStart, selStop;  // no selection when equal
  const char* marks;           // "" unchanged
  const char* place;
};

void PrintTo(const TCommandRow& row, std::ostream* out) {
  *out << row.name;
}

class MarkerCommandsTest : public MarkersWindowTest,
                           public ::testing::WithParamInterface<TCommandRow> {};

TEST_P(MarkerCommandsTest, LeaveTheMarkersAndThePlace) {
  const TCommandRow& row = GetParam();
  w.View().SetCursorPos(row.cursor);
  w.View().SetSelection(row.selStart, row.selStop, row.selStart != row.selStop);
  controller_->AskName = [](const std::string& name) { return name + "2"; };
  const size_t steps = w.Document().UndoStack().Count();
  w.Action(row.action)->trigger();
  ASSERT_TRUE(w.Settle());
  const std::string before = Describe(Initial());
  EXPECT_EQ(Marks(), *row.marks ? row.marks : before);
  EXPECT_EQ(Place(), row.place);
  // A change is one step; a move of the cursor none.
  EXPECT_EQ(w.Document().UndoStack().Count(), steps + (*row.marks ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MarkerCommandsTest,
    ::testing::Values(
        TCommandRow{"AddAtTheCursor", "AddMarkerAction", 1000, 0, 0,
                    "m500:a m1000:Marker 3 m4000:b r6000-7000:r ", "c1000"},
        TCommandRow{"AddRegionFromTheSelection", "AddRegionAction", 2000, 2000, 3000,
                    "m500:a m4000:b r2000-3000:Region 2 r6000-7000:r ", "c2000 s2000-3000"},
        TCommandRow{"NoRegionWithoutASelection", "AddRegionAction", 2000, 0, 0, "", "c2000"},
        TCommandRow{"NextMarker", "NextMarkerAction", 0, 0, 0, "", "c500"},
        TCommandRow{"NextStopsAtARegionsEnd", "NextMarkerAction", 6000, 0, 0, "", "c7000"},
        TCommandRow{"PreviousMarker", "PreviousMarkerAction", 5999, 0, 0, "", "c4000"},
        TCommandRow{"NothingAfterTheLast", "NextMarkerAction", 7000, 0, 0, "", "c7000"},
        TCommandRow{"ExtendTheSelectionsEnd", "ExtendNextAction", 100, 100, 200, "",
                    "c100 s100-500"},
        TCommandRow{"ExtendFromTheCursor", "ExtendPreviousAction", 4500, 0, 0, "",
                    "c4500 s4000-4500"},
        TCommandRow{"DeleteAtTheCursor", "DeleteMarkerAction", 500, 0, 0, "m4000:b r6000-7000:r ",
                    "c500"},
        TCommandRow{"DeleteTheRegionAround", "DeleteMarkerAction", 6500, 0, 0, "m500:a m4000:b ",
                    "c6500"},
        TCommandRow{"RenameAtTheCursor", "RenameMarkerAction", 4000, 0, 0,
                    "m500:a m4000:b2 r6000-7000:r ", "c4000"},
        TCommandRow{"NothingToDeleteHere", "DeleteMarkerAction", 300, 0, 0, "", "c300"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MarkersWindowTest, AMarkerChangeIsUndoneAndRedoneAndItsStoreOutlivesANewEdit) {
  const std::string before = Marks();
  w.View().SetCursorPos(1234);
  w.Action("AddMarkerAction")->trigger();
  const std::string added = Marks();
  ASSERT_NE(added, before);
  const std::string store = w.Document().TempFileName();
  w.Action("UndoAction")->trigger();
  ASSERT_TRUE(w.Settle());
  EXPECT_EQ(Marks(), before);
  EXPECT_EQ(w.Document().TempFileName(), store) << "the audio stays where it is";
  w.Action("RedoAction")->trigger();
  ASSERT_TRUE(w.Settle());
  EXPECT_EQ(Marks(), added);
  // Undone again, then an edit of the audio: the redo step goes, but not the store the current
  // state and the undo steps still hold.
  w.Action("UndoAction")->trigger();
  ASSERT_TRUE(w.Settle());
  w.Drag(0, 20);
  w.Action("DeleteAction")->trigger();
  ASSERT_TRUE(w.Settle());
  EXPECT_TRUE(std::filesystem::exists(store));
  EXPECT_FALSE(w.Document().CanRedo());
  w.Action("UndoAction")->trigger();
  ASSERT_TRUE(w.Settle());
  EXPECT_EQ(w.Document().FrameCount(), kFrames);
  EXPECT_EQ(Marks(), before);
  EXPECT_TRUE(w.boxes.shown.empty()) << w.boxes.shown.front();
}

TEST_F(MarkersWindowTest, CommandsWaitBehindARunningOperationAndRunInOrder) {
  w.Drag(0, 100);
  const uint32_t cut = w.View().SelStop();
  ASSERT_GT(cut, 0u);
  ASSERT_LT(cut, 4000u);
  {
    TWorkerHold hold;
    w.Action("DeleteAction")->trigger();
    ASSERT_TRUE(w.Document().Busy());
    // The delete left the cursor at the start at once: the marker goes there, then moves with
    // nothing; the step behind it goes on from the cursor.
    w.Action("AddMarkerAction")->trigger();
    w.Action("NextMarkerAction")->trigger();
    EXPECT_EQ(w.Form().WaitingCommands(), 2u);
    EXPECT_TRUE(w.Action("NextMarkerAction")->isEnabled());
  }
  ASSERT_TRUE(w.Settle());
  const std::string b = std::to_string(4000 - cut);
  EXPECT_EQ(Marks(), "m0:Marker 2 m" + b + ":b r" + std::to_string(6000 - cut) + "-" +
                         std::to_string(7000 - cut) + ":r ");
  EXPECT_EQ(Place(), "c" + b);
}

TEST_F(MarkersWindowTest, AChangeDrawsOnlyItsBandAndTheFrameMatchesAWholeDrawing) {
  TWaveView& view = w.View();
  view.SetSelection(3000, 5000, true);
  view.Repaint();
  const uint64_t full = view.FullDraws();
  TMarkerList list = w.Document().Markers();
  list.AddMarker({2000, "new"});
  ASSERT_TRUE(w.Document().ChangeMarkers(list));
  EXPECT_EQ(view.FullDraws(), full);
  const QRect band = view.LastMarkBands().boundingRect();
  const int x = static_cast<int>(2000.0 * (view.width() - RightMargin) / view.ViewLength());
  EXPECT_TRUE(band.contains(x, 50)) << band.x() << " " << x;
  EXPECT_LT(band.width(), 200);
  const QImage banded = view.Frame().copy();
  view.Repaint();
  EXPECT_EQ(banded, view.Frame()) << "the band drawn again is what a whole drawing gives";
  // Undone: the same band goes back as it was, and still nothing is drawn whole.
  const uint64_t whole = view.FullDraws();
  w.Action("UndoAction")->trigger();
  EXPECT_EQ(view.FullDraws(), whole);
  EXPECT_EQ(view.LastMarkBands().boundingRect(), band);
}

TEST_F(MarkersWindowTest, AMarkerIsDraggedByItsNameAsOneStep) {
  TWaveView& view = w.View();
  const double perFrame = static_cast<double>(view.width() - RightMargin) / view.ViewLength();
  const QPoint label(static_cast<int>(4000 * perFrame) + 4, TopMargin + 6);
  const QPoint to(static_cast<int>(5000 * perFrame), TopMargin + 6);
  const size_t steps = w.Document().UndoStack().Count();
  QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, label);
  ASSERT_TRUE(view.DraggingMark());
  QTest::mouseMove(&view, to);
  QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, to);
  ASSERT_TRUE(w.Settle());
  EXPECT_EQ(w.Document().Markers().markers.at(1).name, "b");
  EXPECT_NEAR(static_cast<double>(w.Document().Markers().markers.at(1).frame), 5000, 2 / perFrame);
  EXPECT_EQ(w.Document().UndoStack().Count(), steps + 1);
  EXPECT_FALSE(view.Selected());
}

TEST_F(MarkersWindowTest, TheWaveViewsRightClickMenuHoldsTheMarkersMenu) {
  const QWidget* area = w.View().parentWidget();
  const auto* menu = w.Form().findChild<QMenu*>("MarkersMenu");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(area->contextMenuPolicy(), Qt::ActionsContextMenu);
  EXPECT_TRUE(area->actions().contains(menu->menuAction()));
}

TEST_F(MarkersWindowTest, ThePanelListsJumpsAndRenamesInPlace) {
  TMarkersPanel* panel = w.Form().findChild<TMarkersPanel*>("markersForm");
  ASSERT_NE(panel, nullptr);
  w.Action("MarkersPanelAction")->trigger();
  ASSERT_TRUE(panel->isVisible());
  TMarkersModel& model = panel->Model();
  ASSERT_EQ(model.rowCount(), 3);
  // 8000 frames a second: a at 62.5 ms, up to b at 0.5 s; the region a second long.
  EXPECT_EQ(model.index(0, TMarkersModel::kTime).data().toString(), "000:00.063");
  EXPECT_EQ(model.index(0, TMarkersModel::kLength).data().toString(), "000:00.438");
  EXPECT_EQ(model.index(2, TMarkersModel::kLength).data().toString(), "000:00.125");
  EXPECT_EQ(model.index(2, TMarkersModel::kName).data().toString(), "r");
  model.setData(model.index(1, TMarkersModel::kName), "interview", Qt::EditRole);
  ASSERT_TRUE(w.Settle());
  EXPECT_EQ(Marks(), "m500:a m4000:interview r6000-7000:r ");
  EXPECT_EQ(model.index(1, TMarkersModel::kName).data().toString(), "interview");
  emit panel->Table()->doubleClicked(model.index(2, TMarkersModel::kTime));
  ASSERT_TRUE(w.Settle());
  EXPECT_EQ(w.View().CursorPos(), 6000u);
}

}  // namespace
}  // namespace quillon
