#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <ostream>

#include "codecs/encodersettings.h"
#include "display/waveview.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/cancel.h"
#include "platform/config.h"
#include "platform/mainthread.h"
#include "platform/qt/dialogkeys.h"
#include "playback/audio_drivers.h"
#include "shell/dialogs/filter.h"
#include "shell/filedialogs.h"
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
    form_->AskSaveTarget =
        [this](const Tmainform::TSaveTarget& offered) -> std::optional<Tmainform::TSaveTarget> {
      offeredTypes_.push_back(offered.typeIndex);
      offeredPaths_.push_back(offered.path);
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
    emit view->SelectionChanged(start, stop, view->SamplesToMs(start), view->SamplesToMs(stop),
                                true);
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
  std::vector<std::string> offeredPaths_;
  TConfig saved_;
};

TEST(SelectionBoxesTest, SamplesReadAndWriteAsDecimals) {
  EXPECT_EQ(ParseSelectionBox(1, "000000000999"), 999u);
  EXPECT_EQ(SelectionBoxText(1, 999, 0), "999");
  EXPECT_FALSE(ParseSelectionBox(1, "12a").has_value());
}

TEST_F(CommandsTest, SaveAsRemembersTheTypeAndAppendsTheExtension) {
  Open("a.wav", 800);
  answer_ = Tmainform::TSaveTarget{files_.File("take"), 1};
  Run("SaveAsAction");
  EXPECT_TRUE(std::filesystem::exists(files_.File("take.wav")));
  EXPECT_EQ(form_->Document()->FileName(), files_.File("take.wav"));
  EXPECT_EQ(form_->windowTitle(), "take.wav - Quillon");
  answer_ = Tmainform::TSaveTarget{files_.File("song"), 2};
  form_->Document()->OnAskMp3Settings = [](uint32_t) { return std::optional<TMp3Choice>(); };
  Run("SaveAsAction");  // the MP3 settings were cancelled: the old name stays
  EXPECT_EQ(form_->Document()->FileName(), files_.File("take.wav"));
  answer_.reset();
  Run("SaveAsAction");
  EXPECT_EQ(offeredTypes_, (std::vector<int>{1, 1, 2}));
  // In the document's folder, under its name with the offered type's extension.
  EXPECT_EQ(offeredPaths_, (std::vector<std::string>{files_.File("a.wav"), files_.File("take.wav"),
                                                     files_.File("take.mp3")}));
}

// Answers the MP3 settings dialog once it shows: Ok when accept, else Cancel.
void AnswerMp3Dialog(bool accept) {
  QTimer::singleShot(50, [accept] {
    auto* dialog = RunningDialog();
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

// Answers the dialog with this window title once it shows, with a deadline. The file
// dialog can take seconds to appear on a loaded machine, and one that shows after the poll gave
// up would wait for ever, so the deadline is generous.
void AnswerDialog(const QString& title, std::function<void(QDialog*)> answer) {
  auto* poll = new QTimer;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  QObject::connect(poll, &QTimer::timeout, [=] {
    QDialog* dialog = RunningDialog();
    if (!dialog) dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog && std::chrono::steady_clock::now() < deadline) return;
    poll->stop();
    poll->deleteLater();
    ASSERT_NE(dialog, nullptr) << "no dialog showed";
    EXPECT_EQ(dialog->windowTitle(), title);
    answer(dialog);
    // A dialog the answer did not close would wait for ever: fail instead.
    if (dialog->isVisible()) {
      ADD_FAILURE() << "the answer left the dialog open";
      dialog->reject();
    }
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
  answer_ = Tmainform::TSaveTarget{files_.File("part"), 1};
  Run("SaveSelectedAction");
  EXPECT_EQ(test::ReadWav16Samples(files_.File("part.wav")).size(), 200u);
  EXPECT_EQ(form_->Document()->FileName(), files_.File("b.wav"));
  EXPECT_EQ(offeredPaths_.front(), files_.File("b (selection).wav"));
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

// Working like other audio editors with a selection, an effect changes it alone; off, everything.
TEST_F(CommandsTest, EffectsTakeTheSelectionOnlyWhenWorkingLikeOtherEditors) {
  Open("e.wav", 1000);
  std::vector<int16_t> samples(1000);
  for (const bool likePeers : {false, true}) {
    config.likepeers = likePeers;
    Select(100, 400);
    Run("InvertAction");
    form_->Document()->State()->samples->ReadSamples(samples.data(), 0, 999);
    for (uint32_t f = 0; f < 1000; ++f)
      ASSERT_EQ(samples[f], !likePeers || (f >= 100 && f < 400) ? -900 : 900) << f;
    Run("UndoAction");
  }
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
  EXPECT_EQ(form_->windowTitle(), "*h.wav - Quillon");
}

// What ffprobe reads from a file: "container/codec" of its first audio stream.
std::string Probe(const std::string& path) {
  const std::string text = test::CommandOutput(
      "ffprobe -v error -select_streams a:0 -show_entries format=format_name:stream=codec_name "
      "-of default=nw=1:nk=1 '" +
      path + "' 2>/dev/null");
  // codec_name comes first, then format_name.
  const size_t newline = text.find('\n');
  if (newline == std::string::npos) return text;
  std::string codec = text.substr(0, newline), format = text.substr(newline + 1);
  if (!format.empty() && format.back() == '\n') format.pop_back();
  return format + "/" + codec;
}

// Every save format's settings answered with their defaults, as Ok in its dialog would.
void AnswerSettingsWithDefaults(Twavefile& document) {
  document.OnAskMp3Settings = [](uint32_t) { return std::optional<TMp3Choice>(TMp3Choice{}); };
  document.OnAskVorbisQuality = [] { return std::optional<int>(kVorbisQualityDefault); };
  document.OnAskOpusBitrate = [] { return std::optional<int>(kOpusBitrateDefault); };
}

struct TTypedSave {
  const char* action;  // SaveAsAction or SaveSelectedAction
  const char* typed;   // the name typed in the dialog
  int typeIndex;       // the file type chosen in it
  const char* written;
  const char* probed;  // what ffprobe reads from the written file
};

std::ostream& operator<<(std::ostream& out, const TTypedSave& row) {
  return out << row.action << " \"" << row.typed << "\" type " << row.typeIndex;
}

class TypedNameTest : public CommandsTest, public ::testing::WithParamInterface<TTypedSave> {};

TEST_P(TypedNameTest, TheTypedExtensionDecidesAndTheTypeOnlyCompletesANameWithoutOne) {
  const TTypedSave& row = GetParam();
  Open("source.wav", 8000, 44100);
  AnswerSettingsWithDefaults(*form_->Document());
  Select(1000, 5000);
  answer_ = Tmainform::TSaveTarget{files_.File(row.typed), row.typeIndex};
  Run(row.action);
  const std::string written = files_.File(row.written);
  std::vector<std::string> expected{row.written, "source.wav"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(files_.List(), expected) << "one file, named as typed";
  EXPECT_EQ(Probe(written), row.probed);
  const bool saveAs = std::string(row.action) == "SaveAsAction";
  EXPECT_EQ(form_->Document()->FileName(), saveAs ? written : files_.File("source.wav"));
  if (saveAs) {
    EXPECT_EQ(form_->windowTitle().toStdString(), row.written + std::string(" - Quillon"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, TypedNameTest,
    ::testing::Values(TTypedSave{"SaveAsAction", "UPPER.MP3", 1, "UPPER.MP3", "mp3/mp3"},
                      TTypedSave{"SaveAsAction", "x.Flac", 2, "x.Flac", "flac/flac"},
                      TTypedSave{"SaveAsAction", "take.WAV", 2, "take.WAV", "wav/pcm_s16le"},
                      TTypedSave{"SaveAsAction", "a.Ogg", 5, "a.Ogg", "ogg/vorbis"},
                      TTypedSave{"SaveAsAction", "plain", 1, "plain.wav", "wav/pcm_s16le"},
                      TTypedSave{"SaveAsAction", "plain", 2, "plain.mp3", "mp3/mp3"},
                      TTypedSave{"SaveAsAction", "plain", 3, "plain.flac", "flac/flac"},
                      TTypedSave{"SaveAsAction", "plain", 4, "plain.ogg", "ogg/vorbis"},
                      TTypedSave{"SaveAsAction", "plain", 5, "plain.opus", "ogg/opus"},
                      TTypedSave{"SaveSelectedAction", "sel.mp3", 1, "sel.mp3", "mp3/mp3"},
                      TTypedSave{"SaveSelectedAction", "sel.OPUS", 3, "sel.OPUS", "ogg/opus"},
                      TTypedSave{"SaveSelectedAction", "sel", 3, "sel.flac", "flac/flac"},
                      TTypedSave{"SaveSelectedAction", "sel.txt", 1, "sel.txt.wav",
                                 "wav/pcm_s16le"}));

// The real save dialog adds nothing to a typed name: what it returns reaches the save as typed.
TEST_F(CommandsTest, ANameTypedInTheSaveDialogWithTheWavEntryChosenSavesAsItsOwnExtension) {
  Open("d.wav", 8000, 44100);
  AnswerSettingsWithDefaults(*form_->Document());
  form_->AskSaveTarget = [this](const Tmainform::TSaveTarget& offered) {
    return AskSaveTargetWithDialog(form_.get(), offered);
  };
  const std::string typed = files_.File("Live.Mp3");
  AnswerDialog("Save As", [&](QDialog* dialog) {
    auto* files = qobject_cast<QFileDialog*>(dialog);
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(files->selectedNameFilter(), "WAV Files (*.wav)");
    auto* name = files->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    // It starts in the document's folder with the document's name, its columns whole.
    EXPECT_EQ(files->directory().absolutePath().toStdString(), files_.Path());
    EXPECT_EQ(name->text().toStdString(), "d.wav");
    auto* view = files->findChild<QTreeView*>("treeView");
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(test::WaitUntil([&] {
      const QHeaderView* header = view->header();
      for (int column = 1; column < header->count(); ++column)
        if (header->sectionSize(column) < header->sectionSizeHint(column)) return false;
      return header->length() <= view->viewport()->width();
    })) << "a column of the file list is cut";
    // The name alone, in the document's folder: a whole path typed key by key passes through the
    // folder's own name, which the dialog selects and then opens instead of accepting.
    files->setDirectory(QString::fromStdString(files_.Path()));
    name->clear();
    QTest::keyClicks(name, "Live.Mp3");
    dialog->accept();
  });
  Run("SaveAsAction");
  EXPECT_EQ(files_.List(), (std::vector<std::string>{"Live.Mp3", "d.wav"}));
  EXPECT_EQ(Probe(typed), "mp3/mp3");
}

// One step of the user's and whether the document then differs from its file.
struct TStep {
  const char* command;  // an action, "Tags" (a tag edit) or "SaveSelection"
  bool modified;
};

void PrintTo(const TStep& step, std::ostream* out) {
  *out << step.command << (step.modified ? " (modified)" : " (saved)");
}

class ModifiedTest : public CommandsTest,
                     public ::testing::WithParamInterface<std::vector<TStep>> {};

TEST_P(ModifiedTest, ModifiedAndTheCaptionFollowWhatIsOnDisk) {
  Open("m.wav", 2000);
  const std::string file = files_.File("m.wav");
  answer_ = Tmainform::TSaveTarget{files_.File("part.wav"), 1};
  int tagEdits = 0;
  for (const TStep& step : GetParam()) {
    const std::string command = step.command;
    if (command == "Tags") {
      TTags tags = form_->Document()->Tags();
      tags.title = "edit " + std::to_string(++tagEdits);
      form_->Document()->SetTags(tags);
    } else if (command == "SaveSelection") {
      Select(10, 20);
      Run("SaveSelectedAction");
    } else {
      Run(step.command);
    }
    Twavefile& document = *form_->Document();
    EXPECT_EQ(document.Modified(), step.modified) << "after " << command;
    EXPECT_EQ(form_->windowTitle().toStdString(),
              (step.modified ? "*" : "") + std::string("m.wav - Quillon"))
        << "after " << command;
    if (command == "SaveAction") {
      EXPECT_EQ(test::ReadWav16Samples(file), test::ReadWav16Samples(document.TempFileName()))
          << "Save writes what is shown";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Histories, ModifiedTest,
    ::testing::Values(
        // Save, then undo: what is shown is no longer on disk, and Save writes it.
        std::vector<TStep>{{"InvertAction", true},
                           {"SaveAction", false},
                           {"UndoAction", true},
                           {"RedoAction", false},
                           {"UndoAction", true},
                           {"SaveAction", false},
                           {"RedoAction", true},
                           {"UndoAction", false}},
        // Undo back to the opened state.
        std::vector<TStep>{{"InvertAction", true}, {"UndoAction", false}, {"RedoAction", true}},
        // The saved state's redo step is discarded by a new edit: nothing shown is on disk.
        std::vector<TStep>{{"InvertAction", true},
                           {"SaveAction", false},
                           {"UndoAction", true},
                           {"ReverseAction", true},
                           {"UndoAction", true}},
        // Tags changed since the save stay unsaved whatever undo and redo do.
        std::vector<TStep>{{"InvertAction", true},
                           {"SaveAction", false},
                           {"Tags", true},
                           {"UndoAction", true},
                           {"RedoAction", true},
                           {"SaveAction", false}},
        // Saving a range changes nothing of it.
        std::vector<TStep>{
            {"InvertAction", true}, {"SaveSelection", true}, {"UndoAction", false}}));

TEST_F(CommandsTest, CloseAfterSaveThenUndoAsksAndCancelKeepsWhatIsShown) {
  Open("u.wav", 1000);
  Run("ReverseAction");
  Run("SaveAction");
  Run("UndoAction");
  boxes_.shown.clear();
  boxes_.answer = TAnswer::Cancel;
  Run("CloseAction");
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown.front().text, "Would you like to save changes?");
  EXPECT_TRUE(form_->Document()->Loaded());
  EXPECT_EQ(form_->windowTitle(), "*u.wav - Quillon");
}

// A Save As that ends without its file: the document keeps its name, its caption and Modified, and
// the next Save goes to the file it came from.
struct TUnfinishedSaveAs {
  const char* name;
  // The target, in the test's folder unless it says otherwise.
  const char* target;
  // Stops the save once it runs; none for a save that fails by itself.
  std::function<void(Tmainform&)> stop;
};

class UnfinishedSaveAsTest : public CommandsTest,
                             public ::testing::WithParamInterface<TUnfinishedSaveAs> {
 protected:
  void TearDown() override {
    HoldAtNthCheck(0);
    CommandsTest::TearDown();
  }
};

TEST_P(UnfinishedSaveAsTest, LeavesTheNameTheCaptionAndModified) {
  const TUnfinishedSaveAs& row = GetParam();
  Open("a.wav", 8000);
  Run("InvertAction");
  const std::string target = row.target[0] == '/' ? row.target : files_.File(row.target);
  answer_ = Tmainform::TSaveTarget{target, 1};
  if (row.stop) HoldAtNthCheck(1);
  Action("SaveAsAction")->trigger();
  if (row.stop) {
    ASSERT_TRUE(form_->Document()->Busy());
    row.stop(*form_);
  }
  ASSERT_TRUE(WaitIdle());
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_EQ(form_->Document()->FileName(), files_.File("a.wav"));
  EXPECT_TRUE(form_->Document()->Modified());
  EXPECT_EQ(form_->windowTitle().toStdString(), "*a.wav - Quillon");
  HoldAtNthCheck(0);
  Run("SaveAction");
  EXPECT_FALSE(form_->Document()->Modified());
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_EQ(test::ReadWav16Samples(files_.File("a.wav")),
            test::ReadWav16Samples(form_->Document()->TempFileName()));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, UnfinishedSaveAsTest,
    ::testing::Values(TUnfinishedSaveAs{"Escape", "b.wav",
                                        [](Tmainform& form) {
                                          form.findChild<QAction*>("EscapeAction")->trigger();
                                        }},
                      TUnfinishedSaveAs{"MissingFolder", "/nonexistent-quillon-folder/b.wav",
                                        nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandsTest, AFileThatDoesNotOpenLeavesTheWindowShowingNothingLoaded) {
  Open("a.wav", 800);
  const std::string picture = files_.File("picture.png");
  test::WriteFileBytes(picture, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13});
  boxes_.shown.clear();
  for (int attempt = 1; attempt <= 2; ++attempt) {
    form_->openfile(picture);
    ASSERT_TRUE(WaitIdle());
    // Each attempt is an open that fails, never a file that is "already loaded".
    ASSERT_EQ(boxes_.shown.size(), static_cast<size_t>(attempt));
    EXPECT_NE(boxes_.shown.back().text, ConstantText("alreadyloaded"));
    EXPECT_FALSE(form_->Document()->Loaded());
    EXPECT_EQ(form_->windowTitle().toStdString(), "Quillon");
    for (int panel = 0; panel < 4; ++panel)
      EXPECT_EQ(form_->StatusPanel(panel)->text().toStdString(), "") << "panel " << panel;
  }
}

// An effect heard before it is applied: Space in the dialog plays the selection through the
// value shown, B switches to the original, and Cancel stops it and changes nothing.
TEST_F(CommandsTest, AmplifysPreviewPlaysInTheDialogAndCancelLeavesEverything) {
  test::UseDummyDriver();
  Open("p.wav", 8000);
  Select(1000, 3000);
  form_->View()->SetCursorPos(1000);
  bool played = false, bypassed = false;
  QTimer::singleShot(0, [&] {
    Tfilterform* dialog = form_->FilterForm();
    QTest::keyClick(dialog->ValueEdit, Qt::Key_Space);
    played = form_->View()->Playing();
    auto* bypass = dialog->findChild<QPushButton*>("BypassButton");
    QTest::keyClick(dialog->ValueEdit, Qt::Key_B);
    bypassed = bypass && bypass->isChecked() && bypass->isVisible();
    dialog->reject();
  });
  Run("AmplifyIAction");
  EXPECT_TRUE(played);
  EXPECT_TRUE(bypassed);
  EXPECT_FALSE(form_->View()->Playing()) << "the preview goes with the dialog";
  EXPECT_EQ(form_->Document()->UndoStack().Count(), 0);
  EXPECT_EQ(form_->View()->CursorPos(), 1000u);
  EXPECT_TRUE(form_->View()->Selected());
  // Insert Silence's dialog offers no preview.
  QTimer::singleShot(0, [this] {
    EXPECT_TRUE(form_->FilterForm()->findChild<QPushButton*>("PreviewButton")->isHidden());
    form_->FilterForm()->reject();
  });
  Run("SilenceAction");
  // OK while the preview plays applies the value heard.
  QTimer::singleShot(0, [this] {
    Tfilterform* dialog = form_->FilterForm();
    dialog->ValueEdit->setValue(150);
    QTest::keyClick(dialog->ValueEdit, Qt::Key_Space);
    dialog->accept();
  });
  Run("AmplifyIAction");
  EXPECT_FALSE(form_->View()->Playing());
  EXPECT_EQ(form_->Document()->UndoStack().Count(), 1);
}

TEST_F(CommandsTest, PlayCutPreviewPlaysAroundTheSelectionAndLoopPlayUntilStopped) {
  test::UseDummyDriver();
  Open("c.wav", 24000);
  Select(1000, 2000);
  Run("CutPreviewAction");
  ASSERT_TRUE(form_->View()->Playing());
  // From the document's start (two seconds would reach before it) to a second after the
  // selection.
  ASSERT_TRUE(test::WaitUntil([&] { return !form_->View()->Playing(); }, std::chrono::seconds(30)));
  EXPECT_EQ(form_->View()->CursorPos(), 9999u);
  Run("LoopPlayAction");
  ASSERT_TRUE(form_->View()->Playing());
  // Once the cursor is in the selection it stays there, going back to its start, and it
  // plays on.
  auto inside = [&] {
    const uint32_t cursor = form_->View()->CursorPos();
    return cursor >= 1000 && cursor < 2000;
  };
  ASSERT_TRUE(test::WaitUntil(inside, std::chrono::seconds(30)));
  uint32_t last = form_->View()->CursorPos();
  bool wrapped = false, stayed = true;
  ASSERT_TRUE(test::WaitUntil(
      [&] {
        const uint32_t cursor = form_->View()->CursorPos();
        stayed = stayed && inside();
        wrapped = wrapped || cursor < last;
        last = cursor;
        return wrapped;
      },
      std::chrono::seconds(30)));
  EXPECT_TRUE(stayed);
  EXPECT_TRUE(form_->View()->Playing());
  Run("StopAction");
  EXPECT_FALSE(form_->View()->Playing());
}

// The everyday tools' dialogs preview too, and closing them stops it.
TEST_F(CommandsTest, TheToolDialogsPreviewUntilTheyClose) {
  test::UseDummyDriver();
  Open("t.wav", 8000, 44100);
  for (const char* names :
       {"NormalizeLoudnessAction/normalizeloudnessform", "ChangeRateAction/sampleratebox"}) {
    SCOPED_TRACE(names);
    const QStringList parts = QString(names).split('/');
    Action(parts[0].toUtf8().constData())->trigger();
    auto* dialog = form_->findChild<QDialog*>(parts[1]);
    ASSERT_TRUE(test::WaitUntil([&] { return dialog && dialog->isVisible(); }));
    dialog->findChild<QPushButton*>("PreviewButton")->click();
    EXPECT_TRUE(form_->View()->Playing());
    dialog->reject();
    EXPECT_FALSE(form_->View()->Playing());
    EXPECT_EQ(form_->Document()->UndoStack().Count(), 0);
  }
}

}  // namespace
}  // namespace quillon
