// The editor ends at once when the system asks, whatever it is doing, and leaves its unsaved
// work in the recovery journal for the next start.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <functional>

#include "document/journal.h"
#include "document/wavfile.h"
#include "platform/cancel.h"
#include "platform/runfiles.h"
#include "shell/endsteps.h"
#include "shell/main.h"
#include "support/fixtures.h"
#include "support/wait.h"

namespace quillon {
namespace {

struct TEndRow {
  const char* name;
  // What the editor is doing when the request comes; none: it waits for the user.
  std::function<void(Tmainform&)> busy;
  // The request, given from inside whatever runs then.
  std::function<void()> request;
  int expectedExit;
};

void Terminate() {
  raise(SIGTERM);
}

void Interrupt() {
  raise(SIGINT);
}

// The session manager's last word, as Qt hands it to the application.
void SessionEnds() {
  QEvent quit(QEvent::Quit);
  QCoreApplication::sendEvent(qApp, &quit);
}

void HoldAnOperation(Tmainform& form) {
  HoldAtNthCheck(1);
  ASSERT_TRUE(form.Document()->Reverse());
}

// A box of the window's own, or the close question, is open and waits for an answer.
void AMessageBoxWaits(Tmainform& form) {
  QTimer::singleShot(0, &form, [&form] {
    QMessageBox box(QMessageBox::Question, "Quillon", "?", QMessageBox::Ok, &form);
    box.exec();
  });
}

void TheCloseQuestionWaits(Tmainform& form) {
  QTimer::singleShot(0, &form, [&form] { form.close(); });
}

const TEndRow kRows[] = {
    {"Idle", nullptr, Terminate, SIGTERM},
    {"OperationRunning", HoldAnOperation, Terminate, SIGTERM},
    {"MessageBoxOpen", AMessageBoxWaits, Interrupt, SIGINT},
    {"CloseQuestionOpen", TheCloseQuestionWaits, Terminate, SIGTERM},
    {"SessionEndsWhileTheQuestionWaits", TheCloseQuestionWaits, SessionEnds, 0},
};

class SystemEndTest : public ::testing::TestWithParam<TEndRow> {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(settings_.Path()));
  }
  void TearDown() override { HoldAtNthCheck(0); }
  test::TTempDir settings_;
  test::TTempDir files_;
};

TEST_P(SystemEndTest, EndsWithinTwoSecondsAndTheJournalKeepsTheUnsavedWork) {
  const TEndRow& row = GetParam();
  const std::string path = files_.File("take.wav");
  test::WriteWav16(path, 2, 44100, std::vector<int16_t>(2 * 441000, 1200));
  Tmainform form;
  std::optional<int> exited;
  bool released = false;
  TEndSteps steps = EditorEndSteps(form);
  steps.exit = [&](int signal) { exited = signal; };
  steps.release = [&] { released = true; };
  TSystemEnd end(std::move(steps), &form);
  form.show();
  form.openfile(path);
  ASSERT_TRUE(test::WaitUntil([&] { return form.Document()->Loaded(); }));
  ASSERT_TRUE(form.Document()->Invert());
  ASSERT_TRUE(test::WaitUntil([&] { return !form.Document()->Busy(); }));
  if (row.busy) row.busy(form);
  // The request comes once whatever the row started has taken the main thread.
  std::chrono::steady_clock::time_point asked;
  QTimer::singleShot(100, &form, [&] {
    asked = std::chrono::steady_clock::now();
    row.request();
  });
  // What the row opened is answered once the end has been seen, from inside its own loop; the
  // window stays, as nobody ended the process.
  std::chrono::steady_clock::duration took{};
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (!exited) return;
    if (took == took.zero()) took = std::chrono::steady_clock::now() - asked;
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  answer.start(10);
  ASSERT_TRUE(
      test::WaitUntil([&] { return exited.has_value() && !QApplication::activeModalWidget(); },
                      std::chrono::seconds(10)));
  EXPECT_LT(took, std::chrono::seconds(2));
  EXPECT_EQ(*exited, row.expectedExit);
  EXPECT_FALSE(form.Document()->Busy()) << "the operation was not stopped";
  EXPECT_FALSE(released) << "unsaved work must stay";
  const auto journal = ReadJournalFile(RecoveryFolder() + JournalFileName(RunId()));
  ASSERT_TRUE(journal.has_value());
  EXPECT_TRUE(journal->modified);
  EXPECT_EQ(journal->current, form.Document()->TempFileName());
}

INSTANTIATE_TEST_SUITE_P(States, SystemEndTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon
