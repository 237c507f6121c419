#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>

#include "codecs/encodersettings.h"
#include "display/waveview.h"
#include "document/wavfile.h"
#include "platform/config.h"
#include "platform/mainthread.h"
#include "shell/dialogs/filter.h"
#include "shell/main.h"
#include "shell/utils.h"
#include "support/document_harness.h"
#include "support/fixtures.h"
#include "support/wait.h"

namespace quillon {
namespace {

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(settingsDir_.Path()));
    saved_ = config;
    SetMessageBoxes(&boxes_);
    form_ = std::make_unique<Tmainform>();
    SetMessageBoxes(&boxes_);
    form_->AskSaveTarget = [this](int typeIndex) -> std::optional<Tmainform::TSaveTarget> {
      offeredTypes_.push_back(typeIndex);
      if (!answer_) return std::nullopt;
      return answer_;
    };
  }
  void TearDown() override {
    form_.reset();
    SetMessageBoxes(nullptr);
    config = saved_;
  }

  bool WaitIdle() {
    return test::WaitUntil([&] { return !form_->Document()->Busy(); }, std::chrono::seconds(30));
  }
  void Open(const std::string& name, uint32_t frames, uint32_t rate = 8000) {
    const std::string path = files_.File(name);
    test::WriteWav16(path, 1, rate, std::vector<int16_t>(frames, 900));
    form_->openfile(path);
    ASSERT_TRUE(WaitIdle());
  }
  QAction* Action(const char* name) { return form_->findChild<QAction*>(name); }
  QLineEdit* Box(const char* name) { return form_->findChild<QLineEdit*>(name); }
  // A selection as a drag makes it, with its event.
  void Select(uint32_t start, uint32_t stop) {
    TWaveView* view = form_->View();
    view->SetSelection(start, stop, true);
    view->OnSelect(view, start, stop, view->SamplesToMs(start), view->SamplesToMs(stop), true);
  }
  void Run(const char* action) {
    Action(action)->trigger();
    ASSERT_TRUE(WaitIdle());
  }

  test::TTempDir settingsDir_;
  test::TTempDir files_;
  test::TRecordingMessageBoxes boxes_;
  std::unique_ptr<Tmainform> form_;
  std::optional<Tmainform::TSaveTarget> answer_;
  std::vector<int> offeredTypes_;
  TConfig saved_;
};

TEST(SaveTargetsTest, NamesFollowTheChosenType) {
  EXPECT_EQ(SaveAsTargetName("/d/take.WAV", ".wav"), "/d/take.WAV.wav");
  EXPECT_EQ(SaveAsTargetName("/d/take.mp3", ".wav"), "/d/take.mp3");
  EXPECT_EQ(SelectionTargetName("/d/part.txt", 2), "/d/part.mp3");
  EXPECT_EQ(SelectionTargetName("/d.x/part", 1), "/d.x/part.wav");
  EXPECT_EQ(ParseSelectionBox(1, "000000000999"), 999u);
  EXPECT_EQ(SelectionBoxText(1, 999, 0), "999");
  EXPECT_FALSE(ParseSelectionBox(1, "12a").has_value());
}

TEST_F(CommandsTest, SaveAsRemembersTheTypeAndAppendsTheExtension) {
  Open("a.wav", 800);
  answer_ = Tmainform::TSaveTarget{files_.File("take.WAV"), 1};
  Run("SaveAsAction");
  EXPECT_TRUE(std::filesystem::exists(files_.File("take.WAV.wav")));
  EXPECT_EQ(form_->Document()->FileName(), files_.File("take.WAV.wav"));
  EXPECT_EQ(form_->windowTitle(), "take.WAV.wav - Quillon");
  answer_ = Tmainform::TSaveTarget{files_.File("song"), 2};
  form_->Document()->OnAskMp3Settings = [](uint32_t) { return std::optional<TMp3Choice>(); };
  Run("SaveAsAction");  // the MP3 settings were cancelled: the old name stays
  EXPECT_EQ(form_->Document()->FileName(), files_.File("take.WAV.wav"));
  answer_.reset();
  Run("SaveAsAction");
  EXPECT_EQ(offeredTypes_, (std::vector<int>{1, 1, 2}));
}

// Answers the MP3 settings dialog once it shows: Ok when accept, else Cancel.
void AnswerMp3Dialog(bool accept) {
  QTimer::singleShot(50, [accept] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) return AnswerMp3Dialog(accept);
    EXPECT_EQ(dialog->windowTitle(), "MPEG Layer3 Settings");
    accept ? dialog->accept() : dialog->reject();
  });
}

TEST_F(CommandsTest, AnMp3SaveAsksForItsSettingsFirst) {
  Open("m.wav", 8000, 44100);
  answer_ = Tmainform::TSaveTarget{files_.File("song"), 2};
  AnswerMp3Dialog(false);
  Run("SaveAsAction");
  EXPECT_FALSE(std::filesystem::exists(files_.File("song.mp3"))) << "cancelled: nothing written";
  AnswerMp3Dialog(true);
  Run("SaveAsAction");
  EXPECT_GT(std::filesystem::file_size(files_.File("song.mp3")), 0u);
}

// Answers the modal dialog with this window title once it shows, with a deadline.
void AnswerDialog(const QString& title, std::function<void(QDialog*)> answer) {
  auto* poll = new QTimer;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  QObject::connect(poll, &QTimer::timeout, [=] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog && std::chrono::steady_clock::now() < deadline) return;
    poll->stop();
    poll->deleteLater();
    ASSERT_NE(dialog, nullptr) << "no dialog showed";
    EXPECT_EQ(dialog->windowTitle(), title);
    answer(dialog);
  });
  poll->start(10);
}

TEST_F(CommandsTest, TheQualityDialogsAnswerTheDocumentAndTheirChoicesOutliveTheProgram) {
  form_.reset();
  {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, "Morvane", "Quillon");
    store.setValue("Settings/vorbisquality", 3);
    store.setValue("Settings/opusbitrate", 300);  // damaged: clamped
  }
  form_ = std::make_unique<Tmainform>();
  SetMessageBoxes(&boxes_);
  Twavefile& document = *form_->Document();
  ASSERT_TRUE(document.OnAskVorbisQuality && document.OnAskOpusBitrate);
  auto ok = [](QDialog* dialog) { dialog->accept(); };
  AnswerDialog("Ogg Vorbis Settings", ok);
  EXPECT_EQ(document.OnAskVorbisQuality(), 3);
  AnswerDialog("Opus Settings", ok);
  EXPECT_EQ(document.OnAskOpusBitrate(), 256);

  AnswerDialog("Ogg Vorbis Settings", [](QDialog* dialog) {
    dialog->findChild<QSpinBox*>("ValueEdit")->setValue(8);
    dialog->accept();
  });
  EXPECT_EQ(document.OnAskVorbisQuality(), 8);
  AnswerDialog("Opus Settings", [](QDialog* dialog) {
    dialog->findChild<QSpinBox*>("ValueEdit")->setValue(64);
    dialog->reject();
  });
  EXPECT_EQ(document.OnAskOpusBitrate(), std::nullopt);  // cancelled: the save does not happen

  form_.reset();  // the program ends and writes its settings
  QSettings store(QSettings::IniFormat, QSettings::UserScope, "Morvane", "Quillon");
  EXPECT_EQ(store.value("Settings/vorbisquality").toInt(), 8);
  EXPECT_EQ(store.value("Settings/opusbitrate").toInt(), 256);
}

TEST_F(CommandsTest, SaveOfEveryWritableFormatGoesBackToItsFileWithoutAsking) {
  for (const char* name : {"keep.WAV", "keep.Mp3", "keep.FLAC", "keep.ogg", "keep.OPUS"}) {
    EXPECT_TRUE(SaveFormatOf(name).has_value()) << name;
  }
  Open("g.wav", 800);
  Run("InvertAction");
  form_->Document()->SetFileName(files_.File("g.FLAC"));
  Run("SaveAction");
  EXPECT_TRUE(offeredTypes_.empty()) << "a FLAC document is saved in place";
}

TEST_F(CommandsTest, SaveSelectedAsWritesTheChosenTypeAndKeepsTheName) {
  Open("b.wav", 800);
  Select(100, 300);
  answer_ = Tmainform::TSaveTarget{files_.File("part.txt"), 1};
  Run("SaveSelectedAction");
  EXPECT_EQ(test::ReadWav16Samples(files_.File("part.wav")).size(), 200u);
  EXPECT_EQ(form_->Document()->FileName(), files_.File("b.wav"));
  // An existing file is replaced only after a Yes.
  Select(0, 50);
  Run("SaveSelectedAction");
  ASSERT_FALSE(boxes_.shown.empty());
  EXPECT_EQ(boxes_.shown.back().text, "This file already exists. Overwrite?");
  EXPECT_EQ(test::ReadWav16Samples(files_.File("part.wav")).size(), 200u);  // No keeps it
  boxes_.answer = TAnswer::Yes;
  Run("SaveSelectedAction");
  EXPECT_EQ(test::ReadWav16Samples(files_.File("part.wav")).size(), 50u);
}

TEST_F(CommandsTest, SaveOfAnUnwritableFormatAsksForANewName) {
  const std::string aac = files_.File("c.m4a");
  test::MakeWithFfmpeg("-f lavfi -i sine=frequency=440:duration=0.2 -ar 8000 -c:a aac", aac);
  form_->openfile(aac);
  ASSERT_TRUE(WaitIdle());
  Run("InvertAction");
  answer_ = Tmainform::TSaveTarget{files_.File("c.wav"), 1};
  Run("SaveAction");
  EXPECT_EQ(offeredTypes_.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(files_.File("c.wav")));
  EXPECT_FALSE(form_->Document()->Modified());
}

TEST_F(CommandsTest, TheCloseQuestionsYesSavesAnUnwritableFormatUnderANewName) {
  const std::string wma = files_.File("d.wma");
  test::MakeWithFfmpeg("-f lavfi -i sine=frequency=440:duration=0.2 -ar 8000 -c:a wmav2", wma);
  form_->openfile(wma);
  ASSERT_TRUE(WaitIdle());
  Run("ReverseAction");
  boxes_.answer = TAnswer::Yes;
  answer_ = Tmainform::TSaveTarget{files_.File("d2.wav"), 1};
  Run("CloseAction");
  ASSERT_TRUE(test::WaitUntil([&] { return !form_->Document()->Loaded(); }));
  EXPECT_EQ(offeredTypes_.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(files_.File("d2.wav")));
  EXPECT_EQ(form_->windowTitle(), "Quillon");
}

TEST_F(CommandsTest, SelectAllInSamplesShowsTheLastFrame) {
  Open("d.wav", 1000);
  Run("SmplAction");
  EXPECT_TRUE(Action("SmplAction")->isChecked());
  EXPECT_FALSE(Action("MsAction")->isChecked());
  Run("SelectAllAction");
  EXPECT_EQ(ParseSelectionBox(1, Box("selstart")->text().toStdString()), 0u);
  EXPECT_EQ(ParseSelectionBox(1, Box("selstop")->text().toStdString()), 999u);
  EXPECT_TRUE(form_->View()->Selected());
  EXPECT_TRUE(Action("CutAction")->isEnabled());
  Run("MsAction");
  EXPECT_TRUE(Action("MsAction")->isChecked());
  EXPECT_FALSE(Action("SmplAction")->isChecked());
  Run("DeselectAllAction");
  EXPECT_FALSE(form_->View()->Selected());
  EXPECT_FALSE(Action("CutAction")->isEnabled());
}

TEST_F(CommandsTest, ABadNumberInABoxIsNamedAndChangesNothing) {
  Open("e.wav", 8000);
  Select(10, 20);
  Run("SmplAction");
  Box("selstart")->setInputMask(QString());
  Box("selstart")->setText("12x");
  form_->findChild<QCheckBox*>("sel")->click();
  ASSERT_FALSE(boxes_.shown.empty());
  EXPECT_NE(boxes_.shown.back().text.find("Begin:"), std::string::npos);
  EXPECT_EQ(form_->View()->SelStart(), 10u);
  EXPECT_EQ(form_->View()->SelStop(), 20u);
}

TEST_F(CommandsTest, TheBoxesShowTheSelectionAsApplied) {
  Open("f.wav", 1000);
  Run("SmplAction");
  Box("selstart")->setText("5000");
  Box("selstop")->setText("3000");
  auto* sel = form_->findChild<QCheckBox*>("sel");
  sel->setChecked(false);
  sel->click();
  EXPECT_EQ(form_->View()->SelStart(), 999u);
  EXPECT_EQ(form_->View()->SelStop(), 999u);
  EXPECT_EQ(ParseSelectionBox(1, Box("selstart")->text().toStdString()), 999u);
}

TEST_F(CommandsTest, CutAndUndoRestoreTheDocument) {
  Open("g.wav", 1000);
  Select(100, 400);
  Run("CutAction");
  EXPECT_EQ(form_->Document()->FrameCount(), 700u);
  EXPECT_FALSE(form_->View()->Selected());
  EXPECT_EQ(form_->View()->CursorPos(), 100u);
  EXPECT_TRUE(Action("UndoAction")->isEnabled());
  Run("UndoAction");
  EXPECT_EQ(form_->Document()->FrameCount(), 1000u);
  Run("RedoAction");
  EXPECT_EQ(form_->Document()->FrameCount(), 700u);
}

TEST_F(CommandsTest, InsertSilenceTakesMillisecondsFromTheEffectDialog) {
  Open("s.wav", 1000, 44100);
  form_->View()->SetCursorPos(500);
  QTimer::singleShot(0, [this] {
    QDialog* dialog = form_->FilterForm();
    dialog->findChild<QSpinBox*>()->setValue(1000);
    dialog->accept();
  });
  Run("SilenceAction");
  EXPECT_EQ(form_->Document()->FrameCount(), 1000u + 44100u);
  // A cancelled dialog changes nothing.
  QTimer::singleShot(0, [this] { form_->FilterForm()->reject(); });
  Run("NormalizationAction");
  EXPECT_FALSE(form_->Document()->Busy());
  EXPECT_EQ(form_->Document()->UndoStack().Count(), 1);
}

TEST_F(CommandsTest, CloseWithCancelLeavesEverything) {
  Open("h.wav", 1000);
  Run("ReverseAction");
  boxes_.answer = TAnswer::Cancel;
  Run("CloseAction");
  EXPECT_TRUE(form_->Document()->Loaded());
  EXPECT_TRUE(form_->Document()->Modified());
  EXPECT_EQ(form_->windowTitle(), "h.wav - Quillon");
}

}  // namespace
}  // namespace quillon
