// The real main window under commands in quick succession: nothing a user can press while an
// operation runs may crash it, show a refusal, or leave the document other than the commands
// that were taken up made it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <cstdlib>
#include <random>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "shell/main.h"
#include "shell/windowdriver.h"
#include "support/wait.h"

namespace quillon {
namespace {

using test::TWindowDriver;

// A 4-second stereo file at 44.1 kHz, as in the reports that found these faults.
constexpr uint32_t kFourSeconds = 4 * 44100;
constexpr int kRepeats = 12;

class HurriedTest : public ::testing::Test {
 protected:
  void OpenFourSeconds() { ASSERT_TRUE(w.OpenFile("four", kFourSeconds, 44100)); }
  void ExpectAsModelled() {
    ASSERT_TRUE(w.Settle());
    EXPECT_EQ(w.Mismatch(), "");
  }

  TWindowDriver w;
};

TEST_F(HurriedTest, SelectAllThenDeleteOrCutLeavesAnEmptyDocumentWithNothingSelected) {
  OpenFourSeconds();
  for (int i = 0; i < kRepeats; ++i) {
    w.SelectAll();
    w.Breathe();
    ASSERT_TRUE(i % 2 ? w.Cut() : w.Delete());
    // The view repaints at once, while the worker replaces the store.
    w.View().Repaint();
    w.Breathe();
    ExpectAsModelled();
    EXPECT_EQ(w.Document().FrameCount(), 0u);
    EXPECT_FALSE(w.View().Selected());
    EXPECT_EQ(w.View().ViewStop(), 0u) << "the scale of an empty document ends at 0";
    for (const char* name : {"CutAction", "CopyAction", "DeleteAction", "SaveSelectedAction"})
      EXPECT_FALSE(w.Action(name)->isEnabled()) << name;
    ASSERT_TRUE(w.Undo());
    ExpectAsModelled();
  }
}

TEST_F(HurriedTest, AWholeDocumentFadeWhileTheViewRedraws) {
  OpenFourSeconds();
  for (int i = 0; i < kRepeats; ++i) {
    w.SelectAll();
    ASSERT_TRUE(w.Fade(i % 2 == 0));
    w.View().ZoomIn();
    w.Resize(700 + 10 * i, 500);
    w.Breathe();
    ExpectAsModelled();
  }
}

TEST_F(HurriedTest, UndoAndRedoWhileScrollingAndZooming) {
  OpenFourSeconds();
  ASSERT_TRUE(w.Invert());
  ASSERT_TRUE(w.Settle());
  w.Drag(50, 300);
  ASSERT_TRUE(w.Delete());
  ASSERT_TRUE(w.Settle());
  for (int i = 0; i < kRepeats; ++i) {
    ASSERT_TRUE(i % 2 ? w.Redo() : w.Undo());
    w.Wheel(1);
    w.Scroll(0.7);
    w.Breathe();
    w.Wheel(-2);
    w.Resize(800 - 5 * i, 450);
    w.View().ZoomFull();
    w.Breathe();
    ExpectAsModelled();
  }
}

// Drag-select the first half, Delete, Ctrl+Z, Ctrl+A, Ctrl+Shift+Z, Ctrl+C without waiting.
TEST_F(HurriedTest, SelectingDuringAnUndoNeverOutlivesTheStateItLandsOn) {
  OpenFourSeconds();
  for (int i = 0; i < kRepeats; ++i) {
    const int middle = (w.View().width() - RightMargin) / 2;
    w.Drag(0, middle);
    ASSERT_TRUE(w.Delete());
    w.Breathe();
    w.Undo();
    w.SelectAll();
    w.Breathe();
    w.Redo();
    w.Copy();
    ExpectAsModelled();
    EXPECT_LE(w.View().SelStop(), w.Document().FrameCount());
    EXPECT_LE(w.View().CursorPos(), w.Document().FrameCount());
    if (w.Document().CanUndo()) {
      ASSERT_TRUE(w.Undo());
      ExpectAsModelled();
    }
  }
}

// Ctrl+A, Ctrl+X, a drag in the view at once, Ctrl+V.
TEST_F(HurriedTest, ADragDuringACutNeverPlacesTheCursorOutsideTheDocument) {
  OpenFourSeconds();
  for (int i = 0; i < kRepeats; ++i) {
    w.SelectAll();
    ASSERT_TRUE(w.Cut());
    w.Drag(100, 400);
    w.Breathe();
    w.Paste();
    ExpectAsModelled();
    EXPECT_LE(w.View().CursorPos(), w.Document().FrameCount());
    // Back to the whole file for the next round.
    if (w.Document().FrameCount() == 0) {
      ASSERT_TRUE(w.Paste());
    }
    ExpectAsModelled();
  }
}

// Seeded random sequences of everything a user can do, with no waits between the commands.
TEST_F(HurriedTest, RandomSequencesEndAsTheirModelSays) {
  const char* env = std::getenv("QUILLON_STRESS_SEQUENCES");
  const int sequences = env ? std::atoi(env) : 200;
  constexpr int kCommands = 60;
  int commands = 0;
  for (int seed = 1; seed <= sequences; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % n); };
    const uint32_t frames = 8000 + 4000 * (seed % 3);
    ASSERT_TRUE(w.OpenAnother(frames));
    for (int c = 0; c < kCommands; ++c, ++commands) {
      const int area = w.View().width() - RightMargin;
      switch (pick(22)) {
        case 0:
          w.SelectAll();
          break;
        case 1:
          w.Delete();
          break;
        case 2:
          w.Cut();
          break;
        case 3:
          w.Copy();
          break;
        case 4:
          w.Paste();
          break;
        case 5:
        case 6:
          w.Undo();
          break;
        case 7:
          w.Redo();
          break;
        case 8:
          w.Fade(pick(2));
          break;
        case 9:
          w.Reverse();
          break;
        case 10:
          w.Invert();
          break;
        case 11:
          w.InsertSilence(1 + pick(3000));
          break;
        case 12:
          w.Amplify(50 + pick(150));
          break;
        case 13:
          w.Normalize(50 + pick(50));
          break;
        case 14:
          w.Drag(pick(area), pick(area));
          break;
        case 15:
          w.Wheel(pick(5) - 2);
          break;
        case 16:
          w.Scroll(pick(100) / 100.0);
          break;
        case 17:
          w.Resize(600 + pick(400), 400 + pick(300));
          break;
        case 18:
          w.Trigger("PlayAction");
          break;
        case 19:
          w.Trigger("StopAction");
          break;
        case 20:
          w.Trigger(pick(2) ? "ZoomInAction" : "ZoomFullAction");
          break;
        case 21:
          // Another file; a real user is told to wait while an operation runs.
          if (!w.Document().Busy()) {
            w.Trigger("StopAction");
            w.OpenAnother(frames);
          }
          break;
      }
      if (pick(3) == 0) w.Breathe();
    }
    ASSERT_TRUE(w.Settle());
    ASSERT_EQ(w.Mismatch(), "");
  }
  RecordProperty("commands", commands);
}

}  // namespace
}  // namespace quillon
