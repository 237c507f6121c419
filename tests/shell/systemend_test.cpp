// What the process test of the system's end cannot reach: an operation held in its middle, and the
// session manager's last word. The editor ends at once and the journal keeps the unsaved work.
#include <gtest/gtest.h>

#include <QSettings>
#include <chrono>
#include <csignal>

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
  void (*request)();
  int exit;
};

const TEndRow kRows[] = {
    {"Terminate", [] { raise(SIGTERM); }, SIGTERM},
    {"SessionEnds",
     [] {
       QEvent quit(QEvent::Quit);
       QCoreApplication::sendEvent(qApp, &quit);
     },
     0},
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

TEST_P(SystemEndTest, StopsTheRunningOperationAndTheJournalKeepsTheUnsavedWork) {
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
  HoldAtNthCheck(1);
  ASSERT_TRUE(form.Document()->Reverse());
  const auto asked = std::chrono::steady_clock::now();
  GetParam().request();
  ASSERT_TRUE(test::WaitUntil([&] { return exited.has_value(); }));
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(2));
  EXPECT_EQ(*exited, GetParam().exit);
  EXPECT_FALSE(form.Document()->Busy()) << "the operation was not stopped";
  EXPECT_FALSE(released) << "unsaved work must stay";
  const auto journal = ReadJournalFile(RecoveryFolder() + JournalFileName(RunId()));
  ASSERT_TRUE(journal.has_value());
  EXPECT_TRUE(journal->modified);
  EXPECT_EQ(journal->current, form.Document()->TempFileName());
}

INSTANTIATE_TEST_SUITE_P(Requests, SystemEndTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon
