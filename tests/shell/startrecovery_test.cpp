#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QSettings>
#include <QTest>
#include <chrono>
#include <filesystem>

#include "document/journal.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/config.h"
#include "platform/filesystem.h"
#include "platform/mainthread.h"
#include "platform/runfiles.h"
#include "shell/main.h"
#include "support/document_harness.h"
#include "support/fixtures.h"
#include "support/wait.h"

namespace quillon {
namespace {

constexpr const char* kEndedRun = "0badc0de";

// A run that ended in the middle of its work: two edits made to take.wav, its journal and
// stores left behind in this test's folders.
class StartRecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(settingsDir_.Path()));
    saved_ = config;
    state_.runId = kEndedRun;
    state_.tempFolder = temp_.Path() + "/";
    state_.source = files_.File("take.wav");
    state_.modified = true;
    const std::string prefix = state_.tempFolder + RunFilePrefix(kEndedRun);
    state_.current = prefix + "two";
    state_.undo = {prefix + "zero", prefix + "one"};
    test::WriteWav16(state_.undo[0], 1, 8000, std::vector<int16_t>(800, 100));
    test::WriteWav16(state_.undo[1], 1, 8000, std::vector<int16_t>(600, 200));
    test::WriteWav16(state_.current, 1, 8000, std::vector<int16_t>(400, 300));
    std::filesystem::create_directories(RecoveryFolder());
    WriteJournalFile(RecoveryFolder() + JournalFileName(kEndedRun), state_);
  }
  void TearDown() override { config = saved_; }

  // The window as the program makes it, answering the start-up question with answer.
  void Start(TAnswer answer) {
    form_ = std::make_unique<Tmainform>();
    config.tempfolder = state_.tempFolder;
    boxes_.answer = answer;
    SetMessageBoxes(&boxes_);
    test::WaitUntil([&] { return !boxes_.shown.empty() && !form_->Document()->Busy(); },
                    std::chrono::seconds(30));
  }

  test::TTempDir settingsDir_, temp_, files_;
  test::TRecordingMessageBoxes boxes_;
  TJournalState state_;
  TConfig saved_;
  std::unique_ptr<Tmainform> form_;
};

TEST_F(StartRecoveryTest, YesTakesTheDocumentUpWithItsHistory) {
  Start(TAnswer::Yes);
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, "The editor ended without closing \"" + state_.source +
                                      "\". Recover its unsaved changes, with their undo history?");
  Twavefile* document = form_->Document();
  ASSERT_TRUE(document->Loaded());
  EXPECT_EQ(document->FrameCount(), 400u);
  EXPECT_TRUE(document->Modified());
  EXPECT_EQ(document->UndoStack().Count(), 2u);
  EXPECT_EQ(form_->windowTitle(), "*take.wav - Quillon");
  form_->SettleWrites();
  auto journal = ReadJournalFile(RecoveryFolder() + JournalFileName(RunId()));
  ASSERT_TRUE(journal) << "this run keeps the journal from now on";
  const std::string current = document->TempFileName();
  EXPECT_EQ(journal->current, current);
  EXPECT_EQ(test::ReadWav16Samples(current), std::vector<int16_t>(400, 300));
  EXPECT_FALSE(FileExists(RecoveryFolder() + JournalFileName(kEndedRun)));
  form_.reset();
  EXPECT_FALSE(FileExists(current)) << "closing deletes the recovered files as its own";
  EXPECT_TRUE(temp_.List().empty());
}

TEST_F(StartRecoveryTest, NoDeletesWhatTheRunLeft) {
  Start(TAnswer::No);
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_FALSE(form_->Document()->Loaded());
  EXPECT_TRUE(temp_.List().empty());
  EXPECT_FALSE(FileExists(RecoveryFolder() + JournalFileName(kEndedRun)));
}

TEST_F(StartRecoveryTest, ARunTakenUpMeanwhileIsRefusedWithTheReasonAndLeftAsItWas) {
  const std::string lock = state_.tempFolder + RunLockName(kEndedRun);
  const int held = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  boxes_.whileAsking = [&] { EXPECT_EQ(flock(held, LOCK_EX | LOCK_NB), 0); };
  Start(TAnswer::Yes);
  close(held);
  ASSERT_EQ(boxes_.shown.size(), 2u);
  EXPECT_EQ(boxes_.shown[1].text, ConstantText("recoveryrefused", "%s", state_.source) +
                                      "\nAnother instance of the editor has taken it up.");
  EXPECT_FALSE(form_->Document()->Loaded());
  EXPECT_TRUE(FileExists(RecoveryFolder() + JournalFileName(kEndedRun)));
}

}  // namespace
}  // namespace quillon
