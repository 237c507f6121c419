// The real main window under commands in quick succession: nothing a user can press while an
// operation runs may crash it, show a refusal, or leave the document other than the commands
// that were taken up made it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "platform/mainthread.h"
#include "shell/main.h"
#include "shell/windowdriver.h"
#include "support/wait.h"

namespace quillon {
namespace {

using test::TWindowDriver;
using test::WaitUntil;

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

// The window's own timers and queued calls do not run here: only the document's end does.
TEST_F(HurriedTest, CommandsOfferedWhileAnOperationRanAreWithdrawnTheMomentItEnds) {
  OpenFourSeconds();
  for (int i = 0; i < kRepeats; ++i) {
    w.SelectAll();
    ASSERT_TRUE(i % 2 ? w.Cut() : w.Delete());
    MainThread().WaitServing([&] { return !w.Document().Busy(); });
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

// One thing a user can do, and whether the document took it up.
struct TStep {
  const char* name;
  std::function<bool(TWindowDriver&, const std::function<int(int)>& pick)> run;
};

// The cursor a paste or silence goes to must be one the model knows: after playback a click
// places it.
bool AtKnownCursor(TWindowDriver& w, int x, const std::function<bool()>& command) {
  if (!w.model.place.cursorKnown) w.PlaceCursor(x);
  return command();
}

int Area(TWindowDriver& w) {
  return w.View().width() - RightMargin;
}

const std::vector<TStep>& Steps() {
  using P = const std::function<int(int)>&;
  static const std::vector<TStep> steps{
      {"SelectAll", [](TWindowDriver& w, P) { return w.SelectAll(), false; }},
      {"Delete", [](TWindowDriver& w, P) { return w.Delete(); }},
      {"Cut", [](TWindowDriver& w, P) { return w.Cut(); }},
      {"Copy", [](TWindowDriver& w, P) { return w.Copy(); }},
      {"Paste", [](TWindowDriver& w,
                   P pick) { return AtKnownCursor(w, pick(Area(w)), [&] { return w.Paste(); }); }},
      {"Undo", [](TWindowDriver& w, P) { return w.Undo(); }},
      {"Undo", [](TWindowDriver& w, P) { return w.Undo(); }},
      {"Redo", [](TWindowDriver& w, P) { return w.Redo(); }},
      {"Fade", [](TWindowDriver& w, P pick) { return w.Fade(pick(2)); }},
      {"Reverse", [](TWindowDriver& w, P) { return w.Reverse(); }},
      {"Invert", [](TWindowDriver& w, P) { return w.Invert(); }},
      {"InsertSilence",
       [](TWindowDriver& w, P pick) {
         const uint32_t frames = 1 + pick(1500);
         return AtKnownCursor(w, pick(Area(w)), [&] { return w.InsertSilence(frames); });
       }},
      {"Amplify", [](TWindowDriver& w, P pick) { return w.Amplify(50 + pick(150)); }},
      {"Normalize", [](TWindowDriver& w, P pick) { return w.Normalize(50 + pick(50)); }},
      {"Drag",
       [](TWindowDriver& w, P pick) { return w.Drag(pick(Area(w)), pick(Area(w))), false; }},
      {"Drag",
       [](TWindowDriver& w, P pick) { return w.Drag(pick(Area(w)), pick(Area(w))), false; }},
      {"Wheel", [](TWindowDriver& w, P pick) { return w.Wheel(pick(5) - 2), false; }},
      {"Scroll", [](TWindowDriver& w, P pick) { return w.Scroll(pick(100) / 100.0), false; }},
      {"Resize",
       [](TWindowDriver& w, P pick) { return w.Resize(600 + pick(400), 400 + pick(300)), false; }},
      {"Play",
       [](TWindowDriver& w, P) {
         w.Trigger("PlayAction");
         w.model.place.cursorKnown = false;
         return false;
       }},
      {"Stop", [](TWindowDriver& w, P) { return w.Trigger("StopAction"), false; }},
      {"Zoom",
       [](TWindowDriver& w, P pick) {
         return w.Trigger(pick(2) ? "ZoomInAction" : "ZoomFullAction"), false;
       }},
  };
  return steps;
}

// Seeded random sequences of everything a user can do, without waiting between commands: after
// each command the document took up (and one more given at once, half the time), once they ran,
// the document, its history, the clipboard and the view's place must be as the model says;
// before each reopen too.
TEST_F(HurriedTest, RandomSequencesEndAsTheirModelSays) {
  auto setting = [](const char* name, unsigned fallback) {
    const char* value = std::getenv(name);
    return value ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : fallback;
  };
  const unsigned seed = setting("QUILLON_STRESS_SEED", 1);
  const int sequences = static_cast<int>(setting("QUILLON_STRESS_SEQUENCES", 30));
  constexpr int kCommands = 40;
  int commands = 0, checked = 0;
  std::string trail;
  auto check = [&] {
    SCOPED_TRACE("after " + trail);
    trail.clear();
    ASSERT_TRUE(WaitUntil([&] { return !w.Document().Busy() && w.Form().WaitingCommands() == 0; },
                          std::chrono::seconds(60)));
    ASSERT_EQ(w.Mismatch(), "");
  };
  for (int sequence = 0; sequence < sequences; ++sequence) {
    SCOPED_TRACE("seed " + std::to_string(seed) + ", sequence " + std::to_string(sequence));
    std::mt19937 random(seed * 1000 + sequence);
    const std::function<int(int)> pick = [&](int n) { return static_cast<int>(random() % n); };
    const uint32_t frames = 3000 + 1500 * (sequence % 3);
    auto reopen = [&] {
      if (w.Document().FileName() != "") {
        ASSERT_NO_FATAL_FAILURE(check());
      }
      w.Trigger("StopAction");
      ASSERT_TRUE(w.OpenAnother(frames));
      ++checked;
      trail = "open; ";
      ASSERT_NO_FATAL_FAILURE(check());
    };
    ASSERT_NO_FATAL_FAILURE(reopen());
    for (int c = 0; c < kCommands; ++c) {
      // Another file now and then, as a user does once the operation has run.
      if (pick(25) == 0) {
        ASSERT_NO_FATAL_FAILURE(reopen());
      }
      const TStep& step = Steps()[pick(static_cast<int>(Steps().size()))];
      trail += std::string(step.name) + "; ";
      ++commands;
      if (!step.run(w, pick)) {
        if (pick(3) == 0) w.Breathe();
        continue;
      }
      ++checked;
      // Half the time one more at once, which waits its turn or meets the operation running; the
      // first one's state is then checked in the history. Not after a clip, which the next
      // could replace unchecked.
      const bool clip = step.name == std::string("Copy") || step.name == std::string("Cut");
      if (!clip && pick(2) == 0) {
        const TStep& next = Steps()[pick(static_cast<int>(Steps().size()))];
        trail += std::string(next.name) + "; ";
        ++commands;
        checked += next.run(w, pick);
      }
      ASSERT_NO_FATAL_FAILURE(check());
    }
    ASSERT_NO_FATAL_FAILURE(check());
  }
  RecordProperty("commands", commands);
  RecordProperty("checked", checked);
  std::printf("%d commands, %d of them taken up by the document and checked (seed %u)\n", commands,
              checked, seed);
}

}  // namespace
}  // namespace quillon
