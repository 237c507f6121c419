#include "shell/main.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QScrollBar>
#include <QSettings>
#include <QToolBar>
#include <chrono>
#include <filesystem>
#include <memory>

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QTest>
#include <csignal>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "platform/event.h"
#include "platform/mainthread.h"
#include "shell/help.h"
#include "shell/termination.h"
#include "support/document_harness.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

class MainformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The user's own settings file stays out of the tests.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(settingsDir_.Path()));
  }

  // Waits for the document while serving hand-overs; a stuck operation fails, never hangs.
  static bool WaitIdle(Tmainform& form) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    MainThread().WaitServing(
        [&] { return !form.Document()->Busy() || std::chrono::steady_clock::now() > deadline; });
    return !form.Document()->Busy();
  }

  std::string MakeWav() {
    std::vector<int16_t> samples;
    for (int i = 0; i < 8000; ++i) {
      samples.push_back(static_cast<int16_t>((i % 100) * 100 - 5000));
      samples.push_back(static_cast<int16_t>(5000 - (i % 50) * 200));
    }
    const std::string path = files_.File("tone.wav");
    test::WriteWav16(path, 2, 8000, samples);
    return path;
  }

  test::TTempDir settingsDir_;
  test::TTempDir files_;
  test::TRecordingMessageBoxes boxes_;
};

TEST_F(MainformTest, BuildsTheDesignedLayout) {
  Tmainform form;
  EXPECT_EQ(form.windowTitle(), "Quillon");
  const std::vector<std::pair<const char*, const char*>> groups{{"GroupBox1", "  Selection  "},
                                                                {"GroupBox2", "  Cursor  "},
                                                                {"GroupBox3", "  Levels  "},
                                                                {"GroupBox4", " Volume "}};
  for (const auto& [name, title] : groups) {
    auto* box = form.findChild<QGroupBox*>(name);
    ASSERT_NE(box, nullptr) << name;
    EXPECT_EQ(box->title(), title);
  }
  for (int i = 0; i < 4; ++i) {
    ASSERT_NE(form.StatusPanel(i), nullptr);
    EXPECT_EQ(form.StatusPanel(i)->width(), 150);
    EXPECT_TRUE(form.StatusPanel(i)->text().isEmpty());
  }
  QStringList menus;
  for (QAction* action : form.findChild<QMenuBar*>("ActionMainMenuBar1")->actions())
    menus << action->text();
  EXPECT_EQ(menus, (QStringList{"&File", "&View", "&Edit", "&Operations", "&Tools", "&Help"}));
  EXPECT_NE(form.findChild<QToolBar*>("ActionToolBar1"), nullptr);
  EXPECT_NE(form.findChild<QScrollBar*>("Scroll"), nullptr);
  ASSERT_NE(form.View(), nullptr);
  EXPECT_EQ(form.View()->parentWidget()->objectName(), "Panel1");
  EXPECT_FALSE(form.Progress()->isVisibleTo(&form));
  // Milliseconds by default: minutes, seconds and milliseconds with unfilled places as 0.
  EXPECT_EQ(form.findChild<QLineEdit*>("selstart")->displayText(), "000:00.000");
}

TEST_F(MainformTest, RefusesToCloseWhileAnOperationRuns) {
  const std::string wav = MakeWav();
  Tmainform form;
  SetMessageBoxes(&boxes_);
  // Holding the idle event keeps the open waiting on its worker, so the document stays busy.
  PlaybackIdleEvent().Reset();
  form.openfile(wav);
  EXPECT_TRUE(form.Document()->Busy());
  EXPECT_FALSE(form.close());
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, "Please wait. Operation in progress...");
  PlaybackIdleEvent().Set();
  ASSERT_TRUE(WaitIdle(form));
  EXPECT_TRUE(form.close());
  SetMessageBoxes(nullptr);
}

TEST_F(MainformTest, OpeningAWavAttachesItToTheView) {
  const std::string wav = MakeWav();
  std::string tempFile;
  {
    Tmainform form;
    SetMessageBoxes(&boxes_);
    form.openfile(wav);
    ASSERT_TRUE(WaitIdle(form));
    ASSERT_TRUE(form.Document()->Loaded());
    EXPECT_EQ(form.View()->Document(), form.Document());
    EXPECT_EQ(form.View()->ViewLength(), 8000u);
    EXPECT_EQ(form.windowTitle(), "tone.wav - Quillon");
    EXPECT_EQ(form.StatusPanel(0)->text(), "Format: 8000 Hz, 2 Ch.");
    EXPECT_EQ(form.StatusPanel(3)->text(), "Duration: 0:00:01.000");
    tempFile = form.Document()->TempFileName();
    EXPECT_TRUE(std::filesystem::exists(tempFile));
    SetMessageBoxes(nullptr);
  }
  // Destroying the window closes the document, and its temporary file goes with it.
  EXPECT_FALSE(std::filesystem::exists(tempFile));
}

TEST_F(MainformTest, ATerminationSignalClosesTheWindowLikeExit) {
  const std::string wav = MakeWav();
  std::string tempFile;
  auto* form = new Tmainform;
  form->setAttribute(Qt::WA_DeleteOnClose);
  SetMessageBoxes(&boxes_);
  CloseOnTerminationSignals(form);
  form->show();
  form->openfile(wav);
  ASSERT_TRUE(WaitIdle(*form));
  tempFile = form->Document()->TempFileName();
  QPointer<Tmainform> alive(form);
  raise(SIGTERM);
  QTRY_VERIFY_WITH_TIMEOUT(alive.isNull(), 10000);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(std::filesystem::exists(tempFile));
  EXPECT_TRUE(boxes_.shown.empty());
  SetMessageBoxes(nullptr);
}

class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override { SetMessageBoxes(&boxes_); }
  void TearDown() override {
    SetMessageBoxes(nullptr);
    QFile::remove(QString::fromStdString(HelpFolder() + "/" + kName));
  }
  static constexpr const char* kName = "help-test-manual.html";
  test::TRecordingMessageBoxes boxes_;
  std::vector<QUrl> opened_;
  TUrlLauncher launcher_ = [this](const QUrl& url) {
    opened_.push_back(url);
    return true;
  };
};

TEST_F(HelpTest, AMissingManualIsReportedWithItsPath) {
  ShowHelp(kName, {}, launcher_);
  EXPECT_TRUE(opened_.empty());
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].caption, "Help system");
  EXPECT_EQ(boxes_.shown[0].text, "Unable to open help file :" + HelpFolder() + "/" + kName);
}

TEST_F(HelpTest, TheManualBesideTheProgramOpensAtItsTopic) {
  test::WriteFileBytes(HelpFolder() + "/" + kName, {'<', 'p', '>'});
  ShowHelp(kName, "playback", launcher_);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_TRUE(opened_[0].isLocalFile());
  EXPECT_EQ(opened_[0].fragment(), "playback");
  EXPECT_TRUE(boxes_.shown.empty());
  // A browser that cannot be started is reported like a missing file.
  launcher_ = [](const QUrl&) { return false; };
  ShowHelp(kName, {}, launcher_);
  EXPECT_EQ(boxes_.shown.size(), 1u);
}

TEST(FormatDurationTest, ShowsTheHourOfTheDay) {
  EXPECT_EQ(FormatDuration(205.12), "0:03:25.120");
  EXPECT_EQ(FormatDuration(90000), "1:00:00.000");
}

}  // namespace
}  // namespace quillon
