#include <gtest/gtest.h>

#include "localization/constants.h"
#include "platform/faults.h"
#include "platform/filesystem.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

using test::TDocumentHarness;
using Actions = std::vector<std::pair<bool, bool>>;

std::vector<int16_t> Ramp(int count) {
  std::vector<int16_t> samples;
  for (int i = 0; i < count; ++i) samples.push_back(static_cast<int16_t>(i * 10 - 3000));
  return samples;
}

TEST(HistoryTest, UndoRightAfterOpenDoesNothing) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, Ramp(100)));
  std::string file = h.document.TempFileName();
  h.document.Undo();
  h.document.Redo();
  EXPECT_FALSE(h.document.Busy());
  EXPECT_EQ(h.document.TempFileName(), file);
  EXPECT_TRUE(h.actions.empty());
}

// The window opens a second file over the first without closing it: the first file's history
// must not become the second one's, or Undo would bring back the other file's audio.
TEST(HistoryTest, OpeningAnotherFileStartsAnEmptyHistory) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, Ramp(100)));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(0, 10); }));
  h.document.Undo();
  h.WaitIdle();
  ASSERT_TRUE(h.document.CanUndo() && h.document.CanRedo());
  ASSERT_TRUE(h.OpenSamples(1, Ramp(50)));
  EXPECT_FALSE(h.document.CanUndo());
  EXPECT_FALSE(h.document.CanRedo());
  EXPECT_EQ(h.document.FrameCount(), 50u);
  EXPECT_EQ(h.TempFiles().size(), 1u) << "the first file's states are gone with it";
}

TEST(HistoryTest, ThreeEditsThreeUndosThreeRedosReturnToTheSameFiles) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(2, Ramp(2000)));
  std::vector<std::string> files{h.document.TempFileName()};
  std::vector<std::vector<int16_t>> states{h.Samples()};
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(10, 20); }));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Reverse(); }));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.InsertSilence(5, 7); }));
  EXPECT_EQ(h.actions, (Actions{{true, false},
                                {true, false},
                                {true, false},
                                {true, false},
                                {true, false},
                                {true, false}}));
  EXPECT_EQ(h.document.FrameCount(), 1000u - 10 + 7);
  EXPECT_TRUE(h.document.Modified());
  std::string last = h.document.TempFileName();
  std::vector<int16_t> lastSamples = h.Samples();
  Tindexdata lastIndex = h.document.Index();

  h.actions.clear();
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.CanUndo() && (d.Undo(), true); }));
  EXPECT_EQ(h.document.TempFileName(), files[0]);
  EXPECT_EQ(h.Samples(), states[0]);
  EXPECT_EQ(h.document.FrameCount(), 1000u);
  EXPECT_FALSE(h.document.Modified()) << "undone back to the file as it was opened";
  EXPECT_EQ(h.actions, (Actions{{true, true}, {true, true}, {false, true}}));

  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.CanRedo() && (d.Redo(), true); }));
  EXPECT_EQ(h.document.TempFileName(), last);
  EXPECT_EQ(h.Samples(), lastSamples);
  EXPECT_EQ(h.document.Index(), lastIndex);
  EXPECT_EQ(h.TempFiles().size(), 4u);

  h.document.Close();
  EXPECT_TRUE(h.TempFiles().empty());
}

TEST(HistoryTest, AnEditAfterUndoDeletesTheRedoFiles) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, Ramp(1000)));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
  std::string undone = h.document.TempFileName();
  h.document.Undo();
  h.WaitIdle();
  ASSERT_TRUE(h.document.CanRedo());
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(0, 1); }));
  EXPECT_FALSE(h.document.CanRedo());
  EXPECT_FALSE(FileExists(undone));
  EXPECT_EQ(h.TempFiles().size(), 2u);
}

TEST(HistoryTest, UndoWhileBusyChangesNothing) {
  TDocumentHarness h;
  ASSERT_TRUE(h.OpenSamples(1, Ramp(1000)));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
  ASSERT_TRUE(h.document.Reverse());
  h.document.Undo();
  EXPECT_TRUE(h.document.Busy());
  h.WaitIdle();
  EXPECT_EQ(h.document.UndoStack().Count(), 2u);
}

TEST(HistoryTest, AFailedEditRollsBackToThePreviousStateAndKeepsNothingOfIt) {
  for (TFault fault : {TFault::Create, TFault::Map}) {
    TDocumentHarness h;
    std::vector<int16_t> samples = Ramp(3000);
    ASSERT_TRUE(h.OpenSamples(2, samples));
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Delete(0, 100); }));
    std::string current = h.document.TempFileName();
    std::vector<int16_t> before = h.Samples();
    Tindexdata index = h.document.Index();
    h.actions.clear();
    h.boxes.shown.clear();

    // Creation fails first thing; the second map is the reopening of the new file, after the
    // previous store was released.
    FailNth(fault, fault == TFault::Map ? 2 : 1);
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Reverse(); }));
    ClearFaults();

    ASSERT_EQ(h.boxes.shown.size(), 1u);
    if (fault == TFault::Create) {
      EXPECT_EQ(h.boxes.shown[0].text, ConstantText("outofmemory"));
    }
    EXPECT_TRUE(h.document.Loaded());
    EXPECT_EQ(h.document.TempFileName(), current);
    EXPECT_EQ(h.Samples(), before);
    EXPECT_EQ(h.document.Index(), index);
    EXPECT_EQ(h.document.FrameCount(), 1400u);
    EXPECT_EQ(h.document.UndoStack().Count(), 1u);
    EXPECT_EQ(h.TempFiles().size(), 2u) << "the incomplete file must be gone";
    ASSERT_FALSE(h.actions.empty());
    EXPECT_EQ(h.actions.back(), std::make_pair(true, false));

    // The document goes on working: the edit succeeds now, and undo reaches the opened state.
    ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Reverse(); }));
    h.document.Undo();
    h.WaitIdle();
    h.document.Undo();
    h.WaitIdle();
    EXPECT_EQ(h.Samples(), samples);
  }
}

}  // namespace
}  // namespace quillon
