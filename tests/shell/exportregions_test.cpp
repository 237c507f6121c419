// File > Export Regions in the window: offered only with markers, the dialog's preview follows
// its choices, the split runs through the command queue and replacing files is asked once.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTimer>
#include <filesystem>

#include "document/wavfile.h"
#include "localization/constants.h"
#include "shell/dialogs/exportregionsdialog.h"
#include "shell/main.h"
#include "support/document_harness.h"
#include "support/wait.h"

namespace quillon {
namespace {

TEST(ExportRegionsTest, OfferedWithMarkersThePreviewFollowsAndReplacingIsAskedOnce) {
  test::TTempDir settings, files;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                     QString::fromStdString(settings.Path()));
  test::TRecordingMessageBoxes boxes;
  Tmainform form;
  SetMessageBoxes(&boxes);
  form.MakeDialogs();
  auto* action = form.findChild<QAction*>("ExportRegionsAction");
  auto* dialog = form.findChild<TExportRegionsForm*>("exportRegionsForm");
  ASSERT_TRUE(action && dialog);
  EXPECT_FALSE(action->isEnabled()) << "no document";
  test::WriteWav16(files.File("take.wav"), 1, 8000, std::vector<int16_t>(8000, 300));
  form.openfile(files.File("take.wav"));
  auto idle = [&] { return test::WaitUntil([&] { return !form.Document()->Busy(); }); };
  ASSERT_TRUE(idle());
  EXPECT_FALSE(action->isEnabled()) << "nothing to split at";
  TMarkerList list;
  list.AddMarker({2000, "a"});
  list.AddMarker({5000, "b/c"});
  ASSERT_TRUE(form.Document()->SetMarkers(list));
  EXPECT_TRUE(action->isEnabled());
  // Runs answer on the dialog once it shows, then clicks Export.
  auto export_ = [&](std::function<void()> answer) {
    QTimer::singleShot(0, [&, answer] {
      EXPECT_TRUE(dialog->isVisible());
      answer();
      dialog->ExportButton->click();
    });
    action->trigger();
    EXPECT_TRUE(idle());
  };

  const std::string parts = files.File("parts");
  export_([&] {
    EXPECT_EQ(dialog->FolderEdit->text().toStdString(), files.Path()) << "the source's folder";
    EXPECT_EQ(dialog->FormatCombo->currentText(), "WAV") << "the source's format";
    EXPECT_FALSE(dialog->RegionsRadio->isEnabled());
    EXPECT_EQ(dialog->PreviewList->text(), "1.wav\n2 a.wav\n3 b_c.wav");
    dialog->KeepBeforeCheck->setChecked(false);
    dialog->PatternEdit->setText("%s %n of %t");
    EXPECT_EQ(dialog->PreviewList->text(), "take 1 of 2.wav\ntake 2 of 2.wav");
    dialog->PatternEdit->setText("%n %m");
    dialog->FolderEdit->setText(QString::fromStdString(parts));
  });
  EXPECT_TRUE(std::filesystem::exists(parts + "/1 a.wav"));
  EXPECT_TRUE(std::filesystem::exists(parts + "/2 b_c.wav"));
  EXPECT_EQ(form.NoticePanel()->text().toStdString(), ConstantText("splitdone", {"2", parts}));
  EXPECT_TRUE(boxes.shown.empty());

  // Again: the last choice is offered, and the two files that exist are asked about once.
  for (const TAnswer answer : {TAnswer::No, TAnswer::Yes}) {
    boxes.answer = answer;
    test::WriteFileBytes(parts + "/1 a.wav", {'o', 'l', 'd'});
    export_([&] { EXPECT_EQ(dialog->FolderEdit->text().toStdString(), parts); });
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, ConstantText("splitoverwrite", {"2", parts}));
    boxes.shown.clear();
    EXPECT_EQ(std::filesystem::file_size(parts + "/1 a.wav") > 3, answer == TAnswer::Yes);
  }
  SetMessageBoxes(nullptr);
}

}  // namespace
}  // namespace quillon
