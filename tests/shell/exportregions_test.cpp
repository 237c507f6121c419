// File > Export Regions in the window: offered only with markers, the dialog's preview follows
// its choices, the split runs through the command queue and replacing files is asked once.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTimer>
#include <chrono>
#include <filesystem>

#include "document/wavfile.h"
#include "localization/constants.h"
#include "shell/dialogs/exportregionsdialog.h"
#include "shell/main.h"
#include "support/document_harness.h"
#include "support/fixtures.h"
#include "support/wait.h"

namespace quillon {
namespace {

class ExportRegionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(settingsDir_.Path()));
    SetMessageBoxes(&boxes_);
    form_ = std::make_unique<Tmainform>();
    SetMessageBoxes(&boxes_);
    form_->MakeDialogs();
    action_ = form_->findChild<QAction*>("ExportRegionsAction");
    dialog_ = form_->findChild<TExportRegionsForm*>("exportRegionsForm");
  }
  void TearDown() override {
    form_.reset();
    SetMessageBoxes(nullptr);
  }
  bool WaitIdle() {
    return test::WaitUntil([&] { return !form_->Document()->Busy(); }, std::chrono::seconds(30));
  }
  // A mono document of 8000 frames with markers at 2000 and 5000 ("b/c" at the second).
  void OpenWithMarkers() {
    test::WriteWav16(files_.File("take.wav"), 1, 8000, std::vector<int16_t>(8000, 300));
    form_->openfile(files_.File("take.wav"));
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(action_->isEnabled()) << "nothing to split at";
    TMarkerList list;
    list.AddMarker({2000, "a"});
    list.AddMarker({5000, "b/c"});
    ASSERT_TRUE(form_->Document()->SetMarkers(list));
  }
  // Answers the dialog once it shows: answer sets it up, then Export is clicked.
  void WhenShown(std::function<void(TExportRegionsForm&)> answer) {
    auto* poll = new QTimer;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    QObject::connect(poll, &QTimer::timeout, [this, poll, deadline, answer] {
      if (!dialog_->isVisible() && std::chrono::steady_clock::now() < deadline) return;
      poll->deleteLater();
      poll->stop();
      ASSERT_TRUE(dialog_->isVisible()) << "no dialog showed";
      answer(*dialog_);
    });
    poll->start(10);
  }

  test::TTempDir settingsDir_;
  test::TTempDir files_;
  test::TRecordingMessageBoxes boxes_;
  std::unique_ptr<Tmainform> form_;
  QAction* action_ = nullptr;
  TExportRegionsForm* dialog_ = nullptr;
};

TEST_F(ExportRegionsTest, OfferedWithMarkersThePreviewFollowsAndReplacingIsAskedOnce) {
  ASSERT_NE(action_, nullptr);
  ASSERT_NE(dialog_, nullptr);
  EXPECT_FALSE(action_->isEnabled()) << "no document";
  OpenWithMarkers();
  EXPECT_TRUE(action_->isEnabled());
  const std::string parts = files_.File("parts");
  WhenShown([&](TExportRegionsForm& dialog) {
    EXPECT_EQ(dialog.FolderEdit->text().toStdString(), files_.Path()) << "the source's folder";
    EXPECT_EQ(dialog.FormatCombo->currentText(), "WAV") << "the source's format";
    EXPECT_FALSE(dialog.RegionsRadio->isEnabled());
    EXPECT_EQ(dialog.PreviewList->text(), "1.wav\n2 a.wav\n3 b_c.wav");
    dialog.KeepBeforeCheck->setChecked(false);
    dialog.PatternEdit->setText("%s %n of %t");
    EXPECT_EQ(dialog.PreviewList->text(), "take 1 of 2.wav\ntake 2 of 2.wav");
    dialog.PatternEdit->setText("same");
    EXPECT_FALSE(dialog.ExportButton->isEnabled()) << dialog.PreviewList->text().toStdString();
    dialog.PatternEdit->setText("%n %m");
    dialog.FolderEdit->setText(QString::fromStdString(parts));
    dialog.ExportButton->click();
  });
  action_->trigger();
  ASSERT_TRUE(WaitIdle());
  EXPECT_TRUE(std::filesystem::exists(parts + "/1 a.wav"));
  EXPECT_TRUE(std::filesystem::exists(parts + "/2 b_c.wav"));
  EXPECT_EQ(form_->NoticePanel()->text().toStdString(), ConstantText("splitdone", {"2", parts}));
  EXPECT_TRUE(boxes_.shown.empty());

  // Again: the last choice is offered, and the two files that exist are asked about once.
  for (const auto answer : {TAnswer::No, TAnswer::Yes}) {
    boxes_.answer = answer;
    std::filesystem::remove(parts + "/1 a.wav");
    test::WriteFileBytes(parts + "/1 a.wav", {'o', 'l', 'd'});
    WhenShown([&](TExportRegionsForm& dialog) {
      EXPECT_EQ(dialog.FolderEdit->text().toStdString(), parts);
      EXPECT_FALSE(dialog.KeepBeforeCheck->isChecked());
      dialog.ExportButton->click();
    });
    action_->trigger();
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].text, ConstantText("splitoverwrite", {"2", parts}));
    boxes_.shown.clear();
    EXPECT_EQ(std::filesystem::file_size(parts + "/1 a.wav") > 3, answer == TAnswer::Yes);
  }
}

}  // namespace
}  // namespace quillon
