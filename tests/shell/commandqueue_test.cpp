// Keys typed while an operation runs: the real main window keeps them and runs them in order.
// The worker is held at its start (it waits for the player to be idle) until every key of a
// row has been given, so each row runs at machine speed however fast the machine is.
#include <gtest/gtest.h>

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include "display/waveview.h"
#include "document/effectmath.h"
#include "document/wavfile.h"
#include "platform/event.h"
#include "shell/dialogs/filter.h"
#include "shell/main.h"
#include "shell/windowdriver.h"
#include "support/fixtures.h"
#include "support/wait.h"

namespace quillon {
namespace {

using test::TWindowDriver;
using test::WaitUntil;

constexpr uint32_t kFrames = 8000;

// Holds every operation before its first step while alive.
class TWorkerHold {
 public:
  TWorkerHold() { PlaybackIdleEvent().Reset(); }
  ~TWorkerHold() { Release(); }
  void Release() { PlaybackIdleEvent().Set(); }
};

class CommandQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(w.OpenFile("queue", kFrames));
    original_ = w.model.now;
    w.View().setFocus();
  }

  // Keys separated by spaces: "ctrl+a Delete ctrl+z".
  void Type(const std::string& keys) {
    for (const QString& key : QString::fromStdString(keys).split(' ', Qt::SkipEmptyParts))
      QTest::keySequence(&w.View(), QKeySequence::fromString(key));
  }

  std::vector<int16_t> Samples() const {
    return test::ReadWav16Samples(w.Document().TempFileName());
  }
  std::string StatusLine() const { return w.Form().statusBar()->currentMessage().toStdString(); }
  bool SettleAll() {
    return test::WaitUntil([&] { return !w.Document().Busy() && w.Form().WaitingCommands() == 0; });
  }

  TWindowDriver w;
  std::vector<int16_t> original_;
};

enum class TEnd { original, empty };

struct TKeysRow {
  const char* keys;
  TEnd end;
  // A part of the status line the row leaves; empty when none is expected.
  const char* status;
};

void PrintTo(const TKeysRow& row, std::ostream* out) {
  *out << '"' << row.keys << '"';
}

class QueuedKeysTest : public CommandQueueTest, public ::testing::WithParamInterface<TKeysRow> {};

TEST_P(QueuedKeysTest, RunInTheOrderTyped) {
  const TKeysRow& row = GetParam();
  {
    TWorkerHold hold;
    Type(row.keys);
  }
  ASSERT_TRUE(SettleAll());
  EXPECT_EQ(Samples(), row.end == TEnd::original ? original_ : std::vector<int16_t>{});
  const std::string line = StatusLine();
  if (*row.status)
    EXPECT_NE(line.find(row.status), std::string::npos) << line;
  else
    EXPECT_EQ(line, "");
  EXPECT_TRUE(w.boxes.shown.empty()) << w.boxes.shown.front();
}

INSTANTIATE_TEST_SUITE_P(
    Keys, QueuedKeysTest,
    ::testing::Values(TKeysRow{"ctrl+a Delete ctrl+z", TEnd::original, ""},
                      TKeysRow{"ctrl+a Delete ctrl+z ctrl+shift+z", TEnd::empty, ""},
                      // The paste takes what the cut that ran before it put on the clipboard.
                      TKeysRow{"ctrl+a ctrl+x ctrl+v", TEnd::original, ""},
                      // A copy changes nothing to undo.
                      TKeysRow{"ctrl+a ctrl+c ctrl+z", TEnd::original,
                               "Undo skipped: there is nothing to undo."},
                      // Select All behind the delete selects nothing in the empty document.
                      TKeysRow{"ctrl+a Delete ctrl+a Delete", TEnd::empty,
                               "Delete skipped: nothing is selected."},
                      // Esc drops what waits and stops the delete; a key after it waits again,
                      // and finds nothing to undo.
                      TKeysRow{"ctrl+a Delete ctrl+z ctrl+shift+z Esc ctrl+z", TEnd::original,
                               "Undo skipped: there is nothing to undo."},
                      TKeysRow{"ctrl+a Delete ctrl+z ctrl+shift+z Esc", TEnd::original,
                               "Waiting commands dropped: 2"}));

TEST_F(CommandQueueTest, TenQuickAmplifyCommandsApplyTenTimes) {
  constexpr int kTimes = 10;
  constexpr uint32_t kPercent = 101;  // the dialog's first value for Amplify (Increase)
  QAction* amplify = w.Action("AmplifyIAction");
  {
    TWorkerHold hold;
    for (int i = 0; i < kTimes; ++i) {
      // Return in the effect dialog, once it is up, where the keys go.
      QTimer::singleShot(0, w.Form().FilterForm(), [&] {
        QWidget* dialog = w.Form().FilterForm();
        QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Return);
      });
      amplify->trigger();
    }
  }
  ASSERT_TRUE(SettleAll());
  std::vector<int16_t> expected = original_;
  for (int i = 0; i < kTimes; ++i)
    for (int16_t& s : expected) s = AmplifySample(s, AmplifyFactor(kPercent));
  EXPECT_EQ(Samples(), expected);
  EXPECT_EQ(w.Document().UndoStack().Count(), size_t{kTimes});
}

TEST_F(CommandQueueTest, TheProgressAreaCountsTheWaitingCommands) {
  const auto* label = w.Form().findChild<QLabel*>("WaitingLabel");
  ASSERT_NE(label, nullptr);
  struct TStep {
    const char* keys;
    const char* shown;  // empty: the count is hidden
  };
  const TStep steps[] = {
      {"ctrl+a Delete", ""}, {"ctrl+z", "1 waiting"}, {"ctrl+shift+z", "2 waiting"}, {"Esc", ""}};
  TWorkerHold hold;
  for (const TStep& step : steps) {
    Type(step.keys);
    EXPECT_EQ(label->isVisible() ? label->text().toStdString() : "", step.shown) << step.keys;
    if (!label->isVisible()) continue;
    // Beside the Cancel button, whole and on the panel, not under it.
    const QPushButton* cancel = w.Form().CancelOperationButton();
    ASSERT_TRUE(WaitUntil([&] { return cancel->isVisible(); }));
    EXPECT_FALSE(label->geometry().intersects(cancel->geometry())) << step.keys;
    EXPECT_FALSE(label->geometry().intersects(w.Form().Progress()->geometry())) << step.keys;
    EXPECT_GE(label->width(), label->sizeHint().width()) << step.keys;
    EXPECT_TRUE(label->parentWidget()->rect().contains(label->geometry())) << step.keys;
  }
}

}  // namespace
}  // namespace quillon
