#include "shell/main.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSlider>
#include <QToolBar>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTest>
#include <csignal>

#include "display/waveview.h"
#include "document/journal.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/cancel.h"
#include "platform/config.h"
#include "platform/event.h"
#include "platform/faults.h"
#include "platform/mainthread.h"
#include "platform/runfiles.h"
#include "platform/urlopener.h"
#include "playback/playunit.h"
#include "shell/dialogs/about.h"
#include "shell/dialogs/properties.h"
#include "shell/dialogs/tageditor.h"
#include "shell/endsteps.h"
#include "shell/help.h"
#include "shell/termination.h"
#include "shell/utils.h"
#include "support/document_harness.h"
#include "support/fixtures.h"
#include "support/wait.h"

namespace quillon {
namespace {

class MainformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The user's own settings file stays out of the tests.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(settingsDir_.Path()));
  }
  // A test that ends early leaves no pointer to its recorder installed for the next one.
  void TearDown() override { SetMessageBoxes(nullptr); }

  // Waits for the document while serving hand-overs; a stuck operation fails, never hangs.
  static bool WaitIdle(Tmainform& form) {
    return test::WaitUntil([&] { return !form.Document()->Busy(); }, std::chrono::seconds(30));
  }

  std::string MakeMono(const char* name, uint32_t frames) {
    const std::string path = files_.File(name);
    test::WriteWav16(path, 1, 8000, std::vector<int16_t>(frames, 1200));
    return path;
  }

  static QAction* Action(Tmainform& form, const char* name) {
    return form.findChild<QAction*>(name);
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
  // The designed menus, with Analyze and Markers added before Tools.
  EXPECT_EQ(menus, (QStringList{"&File", "&View", "&Edit", "&Operations", "&Analyze", "&Markers",
                                "&Tools", "&Help"}));
  EXPECT_NE(form.findChild<QToolBar*>("ActionToolBar1"), nullptr);
  EXPECT_NE(form.findChild<QScrollBar*>("Scroll"), nullptr);
  ASSERT_NE(form.View(), nullptr);
  EXPECT_EQ(form.View()->parentWidget()->objectName(), "Panel1");
  EXPECT_FALSE(form.Progress()->isVisibleTo(&form));
  // Milliseconds by default: minutes, seconds and milliseconds with unfilled places as 0.
  EXPECT_EQ(form.findChild<QLineEdit*>("selstart")->displayText(), "000:00.000");
}

TEST_F(MainformTest, ClosingWhileAnOperationRunsStopsItInsteadOfWaiting) {
  const std::string wav = MakeWav();
  Tmainform form;
  SetMessageBoxes(&boxes_);
  // Holding the idle event keeps the open waiting on its worker, so the document stays busy:
  // an operation that would never end by itself.
  PlaybackIdleEvent().Reset();
  form.show();
  form.openfile(wav);
  EXPECT_TRUE(form.Document()->Busy());
  // The close returns at once and comes again once the stopped operation has ended.
  EXPECT_FALSE(form.close());
  ASSERT_TRUE(test::WaitUntil([&] { return !form.isVisible(); }));
  EXPECT_FALSE(form.Document()->Busy());
  EXPECT_FALSE(form.Document()->Loaded());
  EXPECT_TRUE(boxes_.shown.empty());
  PlaybackIdleEvent().Set();
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

// The real signal handler and the session's last word, with only the process's exit left out:
// the running operation stops, nothing is asked, an unmodified document's files go at once and an
// edited one's stay, named by the journal.
TEST_F(MainformTest, TheSystemsEndStopsTheOperationAndKeepsOnlyUnsavedWork) {
  const struct {
    bool edited;
    void (*request)();
    int exit;
  } rows[] = {{false, [] { raise(SIGTERM); }, SIGTERM},
              {true, [] { raise(SIGINT); }, SIGINT},
              {true,
               [] {
                 QEvent quit(QEvent::Quit);
                 QCoreApplication::sendEvent(qApp, &quit);
               },
               0}};
  for (const auto& row : rows) {
    Tmainform form;
    SetMessageBoxes(&boxes_);
    std::optional<int> exited;
    TEndSteps steps = EditorEndSteps(form);
    steps.exit = [&](int signal) { exited = signal; };
    TSystemEnd end(std::move(steps), &form);
    form.show();
    form.openfile(MakeWav());
    ASSERT_TRUE(WaitIdle(form));
    if (row.edited) form.Document()->Invert();
    ASSERT_TRUE(WaitIdle(form));
    const std::string store = form.Document()->TempFileName();
    HoldAtNthCheck(1);
    ASSERT_TRUE(form.Document()->Reverse());
    row.request();
    ASSERT_TRUE(test::WaitUntil([&] { return exited.has_value(); }, std::chrono::seconds(2)));
    HoldAtNthCheck(0);
    EXPECT_EQ(*exited, row.exit);
    EXPECT_FALSE(form.Document()->Busy()) << "the operation was not stopped";
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(std::filesystem::exists(store), row.edited);
    const auto journal = ReadJournalFile(RecoveryFolder() + JournalFileName(RunId()));
    EXPECT_EQ(journal && journal->modified && journal->current == store, row.edited);
    SetMessageBoxes(nullptr);
  }
}

// At the window's designed size a notice is read whole, at each language's length and when an
// operation left two: beside the panels while it fits there, else on a row of its own.
TEST_F(MainformTest, ANoticeIsNeverCutAtTheDesignedSize) {
  Tmainform form;
  form.resize(kDesignedWidth, kDesignedHeight);
  form.show();
  form.openfile(MakeWav());
  ASSERT_TRUE(WaitIdle(form));
  QLabel* notice = form.NoticePanel();
  const std::vector<std::vector<const char*>> operations{
      {"Cancelled: nothing was changed."},
      {"Abgebrochen: Nichts wurde geändert."},
      {"Отменено: ничего не изменено."},
      {"mixed down from 6 channels to stereo", "Cancelled: nothing was changed."}};
  for (const auto& notices : operations) {
    // Each operation's notices replace the last one's.
    form.Document()->OnReady(form.Document());
    for (const char* line : notices) form.Document()->OnNotice(form.Document(), line);
    const std::string text = notices.front();
    ASSERT_TRUE(test::WaitUntil([&] { return notice->width() >= notice->sizeHint().width(); }))
        << text << ": " << notice->width() << " of " << notice->sizeHint().width() << " pixels";
    const QRect shown(notice->mapTo(&form, QPoint()), notice->size());
    EXPECT_TRUE(form.rect().contains(shown)) << text;
    for (int i = 0; i < 4; ++i) {
      const QWidget* panel = form.StatusPanel(i);
      EXPECT_FALSE(shown.intersects(QRect(panel->mapTo(&form, QPoint()), panel->size()))) << text;
    }
  }
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

TEST_F(MainformTest, CursorReadOutInBothUnits) {
  Tmainform form;
  SetMessageBoxes(&boxes_);
  form.openfile(MakeMono("long.wav", 500000));
  ASSERT_TRUE(WaitIdle(form));
  auto* timedisplay = form.findChild<QLabel*>("timedisplay");
  form.View()->SetCursorPos(488008);  // 61 001 ms at 8000 Hz
  EXPECT_EQ(form.StatusPanel(1)->text(), "Cursor Position: 001:01.001");
  EXPECT_EQ(timedisplay->text(), "001:01.001");
  config.selectiontype = 1;
  form.View()->SetCursorPos(488008);
  EXPECT_EQ(form.StatusPanel(1)->text(), "Cursor Position: 488008");
  EXPECT_EQ(timedisplay->text(), "001:01.001");
  config.selectiontype = 0;
  SetMessageBoxes(nullptr);
}

TEST_F(MainformTest, SelectionEventsFillTheBoxesOnlyWhenSelected) {
  Tmainform form;
  SetMessageBoxes(&boxes_);
  form.openfile(MakeMono("sel.wav", 80000));
  ASSERT_TRUE(WaitIdle(form));
  auto* selstart = form.findChild<QLineEdit*>("selstart");
  auto* selstop = form.findChild<QLineEdit*>("selstop");
  auto* sel = form.findChild<QCheckBox*>("sel");
  emit form.View()->SelectionChanged(8000, 16000, 1000, 2000, true);
  // What the box shows: unfilled places show as 0, so only the display keeps the zeros.
  EXPECT_EQ(selstart->displayText(), "000:01.000");
  EXPECT_EQ(selstop->displayText(), "000:02.000");
  EXPECT_TRUE(sel->isChecked());
  emit form.View()->SelectionChanged(0, 0, 0, 0, false);
  EXPECT_EQ(selstart->displayText(), "000:01.000");
  EXPECT_FALSE(sel->isChecked());
  SetMessageBoxes(nullptr);
}

TEST_F(MainformTest, ADocumentThatFitsKeepsTheScrollBarDisabled) {
  Tmainform form;
  SetMessageBoxes(&boxes_);
  auto* scroll = form.findChild<QScrollBar*>("Scroll");
  form.openfile(MakeMono("short.wav", 100));
  ASSERT_TRUE(WaitIdle(form));
  // The progress timer decides it.
  EXPECT_TRUE(test::WaitUntil([&] { return !scroll->isEnabled(); }));
  form.openfile(MakeMono("long.wav", 100000));
  ASSERT_TRUE(WaitIdle(form));
  form.View()->ZoomIn();
  EXPECT_TRUE(test::WaitUntil([&] { return scroll->isEnabled(); }));
  SetMessageBoxes(nullptr);
}

TEST_F(MainformTest, AFailedOperationStillEndsInReady) {
  Tmainform form;
  SetMessageBoxes(&boxes_);
  form.openfile(MakeMono("fail.wav", 8000));
  ASSERT_TRUE(WaitIdle(form));
  form.StatusPanel(3)->clear();
  // The journal's writer creates files too: done with them before the fault is armed.
  form.SettleWrites();
  FailNth(TFault::Create, 1);
  ASSERT_TRUE(form.Document()->Reverse());
  ASSERT_TRUE(WaitIdle(form));
  ClearFaults();
  QCoreApplication::processEvents();
  EXPECT_FALSE(form.Progress()->isVisibleTo(&form));
  EXPECT_EQ(form.StatusPanel(3)->text(), "Duration: 0:00:01.000");
  EXPECT_FALSE(boxes_.shown.empty());
  SetMessageBoxes(nullptr);
}

TEST_F(MainformTest, DroppingThreeFilesOpensTheFirst) {
  struct TDropTarget : Tmainform {
    using Tmainform::dropEvent;
  } form;
  SetMessageBoxes(&boxes_);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(MakeMono("a.wav", 100))),
                QUrl::fromLocalFile(QString::fromStdString(MakeMono("b.wav", 200))),
                QUrl::fromLocalFile(QString::fromStdString(MakeMono("c.wav", 300)))});
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  form.dropEvent(&drop);
  ASSERT_TRUE(WaitIdle(form));
  EXPECT_EQ(form.Document()->FrameCount(), 100u);
  EXPECT_EQ(form.windowTitle(), "a.wav - Quillon");
  SetMessageBoxes(nullptr);
}

// A drop as a file manager makes it: the actions it offers and the keys held, which make its
// proposal (Shift: Move).
struct TDropRow {
  const char* name;
  Qt::DropActions offered;
  Qt::KeyboardModifiers keys;
  bool accepted;
};

TEST_F(MainformTest, ADroppedFileIsCopiedNeverMoved) {
  const TDropRow rows[] = {
      {"Move proposed", Qt::CopyAction | Qt::MoveAction, Qt::ShiftModifier, true},
      {"Copy proposed", Qt::CopyAction | Qt::MoveAction, Qt::NoModifier, true},
      {"only Move offered", Qt::MoveAction, Qt::NoModifier, false},
  };
  for (const TDropRow& row : rows) {
    struct TDropTarget : Tmainform {
      using Tmainform::dragEnterEvent;
      using Tmainform::dropEvent;
    } form;
    SetMessageBoxes(&boxes_);
    const std::string path = MakeMono((std::string(row.name) + ".wav").c_str(), 100);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(10, 10), row.offered, &data, Qt::LeftButton, row.keys);
    enter.ignore();
    form.dragEnterEvent(&enter);
    QDropEvent drop(QPointF(10, 10), row.offered, &data, Qt::LeftButton, row.keys);
    drop.ignore();
    if (row.keys & Qt::ShiftModifier) {
      ASSERT_EQ(drop.proposedAction(), Qt::MoveAction);
    }
    form.dropEvent(&drop);
    // The source finishes the drag as told: after a Move it deletes its file.
    if (drop.isAccepted() && drop.dropAction() == Qt::MoveAction) std::filesystem::remove(path);
    const QDropEvent* events[] = {&enter, &drop};
    for (const QDropEvent* event : events) {
      EXPECT_EQ(event->isAccepted(), row.accepted) << row.name;
      if (row.accepted) {
        EXPECT_EQ(event->dropAction(), Qt::CopyAction) << row.name;
      }
    }
    ASSERT_TRUE(WaitIdle(form));
    EXPECT_TRUE(std::filesystem::exists(path)) << row.name;
    EXPECT_EQ(form.Document()->Loaded(), row.accepted) << row.name;
    SetMessageBoxes(nullptr);
  }
}

TEST_F(MainformTest, PasteFollowsWhatAnotherOwnerPutsOnTheClipboard) {
  Tmainform form;
  auto* paste = Action(form, "PasteAction");
  QGuiApplication::clipboard()->setText("words");
  QCoreApplication::processEvents();
  EXPECT_FALSE(paste->isEnabled());
  auto* audio = new QMimeData;
  audio->setData("audio/x-wav", QByteArray("RIFF"));
  QGuiApplication::clipboard()->setMimeData(audio);
  QCoreApplication::processEvents();
  EXPECT_TRUE(paste->isEnabled());
  // A file manager's copied file can be pasted as well.
  auto* files = new QMimeData;
  files->setData("text/uri-list", "file:///somewhere/song.mp3\r\n");
  QGuiApplication::clipboard()->setMimeData(files);
  QCoreApplication::processEvents();
  EXPECT_TRUE(paste->isEnabled());
  QGuiApplication::clipboard()->clear();
  QCoreApplication::processEvents();
  EXPECT_FALSE(paste->isEnabled());
}

TEST_F(MainformTest, SavingFromTheOpenQuestionGoesOnToOpenTheNewFile) {
  Tmainform form;
  SetMessageBoxes(&boxes_);
  const std::string first = MakeMono("first.wav", 8000);
  form.show();
  form.openfile(first);
  ASSERT_TRUE(WaitIdle(form));
  ASSERT_TRUE(form.Document()->Invert());
  ASSERT_TRUE(WaitIdle(form));
  boxes_.answer = TAnswer::Yes;
  form.openfile(MakeMono("second.wav", 300));
  ASSERT_TRUE(test::WaitUntil([&] { return form.Document()->FrameCount() == 300u; }));
  ASSERT_TRUE(WaitIdle(form));
  EXPECT_TRUE(form.isVisible());  // only the window's own close ends the program
  EXPECT_EQ(test::ReadWav16Samples(first).front(), -1200);  // the inverted first file was saved
  SetMessageBoxes(nullptr);
}

TEST_F(MainformTest, AFailedSaveFromTheCloseQuestionClosesNothing) {
  Tmainform form;
  SetMessageBoxes(&boxes_);
  form.openfile(MakeMono("keep.wav", 8000));
  ASSERT_TRUE(WaitIdle(form));
  ASSERT_TRUE(form.Document()->Invert());
  ASSERT_TRUE(WaitIdle(form));
  boxes_.answer = TAnswer::Yes;
  form.SettleWrites();
  FailNth(TFault::Write, 1);
  Action(form, "CloseAction")->trigger();
  ASSERT_TRUE(WaitIdle(form));
  ClearFaults();
  test::ServeFor(std::chrono::milliseconds(50));
  EXPECT_TRUE(form.Document()->Loaded());
  EXPECT_TRUE(form.Document()->Modified());
  EXPECT_EQ(form.windowTitle(), "*keep.wav - Quillon");
  SetMessageBoxes(nullptr);
}

TEST_F(MainformTest, SpaceAlternatesPlayAndStopAndAnEmptyRangePlaysNothing) {
  Tmainform form;
  SetMessageBoxes(&boxes_);
  form.openfile(MakeMono("play.wav", 80000));
  ASSERT_TRUE(WaitIdle(form));
  ASSERT_TRUE(form.View()->HasPlayer()) << "the tests play through SDL's dummy driver";
  auto* play = Action(form, "PlayAction");
  auto* stop = Action(form, "StopAction");
  // The cursor at the end: nothing to play, and the commands stay as they were.
  form.View()->SetCursorPos(80000);
  play->trigger();
  EXPECT_FALSE(form.View()->Playing());
  EXPECT_TRUE(play->isEnabled());
  EXPECT_FALSE(stop->isEnabled());
  // A selection of one frame plays that frame.
  form.View()->SetSelection(100, 101, true);
  play->trigger();
  EXPECT_TRUE(form.View()->Playing());
  ASSERT_TRUE(test::WaitUntil([&] { return !form.View()->Playing() && play->isEnabled(); }));

  form.View()->SetSelection(0, 40000, true);
  EXPECT_EQ(play->shortcut(), QKeySequence(Qt::Key_Space));
  play->trigger();
  ASSERT_TRUE(form.View()->Playing());
  EXPECT_FALSE(play->isEnabled());
  EXPECT_TRUE(stop->isEnabled());
  EXPECT_EQ(stop->shortcut(), QKeySequence(Qt::Key_Space));
  EXPECT_TRUE(play->shortcut().isEmpty());
  // The play cursor moves while the sound plays.
  ASSERT_TRUE(test::WaitUntil([&] { return form.View()->CursorPos() > 0; }));
  stop->trigger();
  ASSERT_TRUE(test::WaitUntil([&] { return !form.View()->Playing() && play->isEnabled(); }));
  EXPECT_FALSE(stop->isEnabled());
  EXPECT_EQ(play->shortcut(), QKeySequence(Qt::Key_Space));
  SetMessageBoxes(nullptr);
}

TEST_F(MainformTest, AnEditRequestedWhilePlayingStopsThePlaybackFirst) {
  Tmainform form;
  SetMessageBoxes(&boxes_);
  form.openfile(MakeMono("busy.wav", 80000));
  ASSERT_TRUE(WaitIdle(form));
  Action(form, "PlayAction")->trigger();
  // The first Play opens the device aside and plays once it is open.
  ASSERT_TRUE(test::WaitUntil([&] { return form.View()->Playing(); }));
  ASSERT_TRUE(form.Document()->Invert());
  // The store is being replaced: the player lets go of it and the commands follow.
  ASSERT_TRUE(WaitIdle(form));
  EXPECT_FALSE(form.View()->Playing());
  EXPECT_TRUE(Action(form, "PlayAction")->isEnabled());
  EXPECT_TRUE(form.Document()->Modified());
  EXPECT_TRUE(boxes_.shown.empty());
  SetMessageBoxes(nullptr);
}

TEST_F(MainformTest, TheVolumeBarMovesAndItsPlaceIsStoredAtExit) {
  {
    Tmainform form;
    auto* bar = form.findChild<QSlider*>("VolumeBar");
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(form.View()->HasPlayer()) << "the tests play through SDL's dummy driver";
    EXPECT_TRUE(bar->isEnabled());
    // The bar's value is the loudness; the setting keeps the position, -10000 loudest.
    bar->setValue(3000);
  }
  QSettings store(QSettings::IniFormat, QSettings::UserScope, "Morvane", "Quillon");
  EXPECT_EQ(store.value("Settings/volume").toInt(), -3000);
}

TEST_F(MainformTest, TheHelpMenuIsContentsCheckForUpdatesSeparatorAbout) {
  Tmainform form;
  QStringList items;
  for (QAction* action : form.findChild<QMenu*>("HelpMenu")->actions())
    items << (action->isSeparator() ? "-" : action->text());
  EXPECT_EQ(items, (QStringList{"&Contents", "C&heck for Updates...", "-", "&About"}));
}

TEST_F(MainformTest, OpeningAnotherFileDisablesUndoAndRedo) {
  Tmainform form;
  SetMessageBoxes(&boxes_);
  form.openfile(MakeMono("first.wav", 8000));
  ASSERT_TRUE(WaitIdle(form));
  ASSERT_TRUE(form.Document()->Invert());
  ASSERT_TRUE(WaitIdle(form));
  ASSERT_TRUE(Action(form, "UndoAction")->isEnabled());
  boxes_.answer = TAnswer::No;  // the edit need not be kept
  form.openfile(MakeMono("second.wav", 8000));
  ASSERT_TRUE(WaitIdle(form));
  EXPECT_FALSE(Action(form, "UndoAction")->isEnabled());
  EXPECT_FALSE(Action(form, "RedoAction")->isEnabled());
  SetMessageBoxes(nullptr);
}

TEST_F(MainformTest, NoticesReachTheStatusBarUntilTheNextOperationOrClose) {
  Tmainform form;
  SetMessageBoxes(&boxes_);
  form.openfile(MakeMono("notes.wav", 8000));
  ASSERT_TRUE(WaitIdle(form));
  Twavefile& document = *form.Document();
  ASSERT_TRUE(document.OnNotice);
  struct TStep {
    std::function<void()> act;
    const char* shown;
  };
  const TStep steps[] = {
      {[&] { document.OnNotice(&document, "Tag skipped: broken frame"); },
       "Tag skipped: broken frame"},
      // Lines of one operation stand side by side.
      {[&] { document.OnNotice(&document, "mixed down from 6 channels to stereo"); },
       "Tag skipped: broken frame  \u2022  mixed down from 6 channels to stereo"},
      // An operation without notices leaves the last ones; the next notice replaces them.
      {[&] {
         ASSERT_TRUE(document.Invert());
         ASSERT_TRUE(WaitIdle(form));
       },
       "Tag skipped: broken frame  \u2022  mixed down from 6 channels to stereo"},
      {[&] { document.OnNotice(&document, "second"); }, "second"},
      {[&] { form.findChild<QAction*>("CloseAction")->trigger(); }, ""},
  };
  boxes_.answer = TAnswer::No;  // the inverted audio need not be kept
  for (const TStep& step : steps) {
    step.act();
    EXPECT_EQ(form.NoticePanel()->text(), QString::fromUtf8(step.shown));
    EXPECT_EQ(form.NoticePanel()->toolTip(), QString::fromUtf8(step.shown));
  }
  SetMessageBoxes(nullptr);
}

TEST_F(MainformTest, TheOpenPropertiesWindowFollowsTheDocumentsTags) {
  Tmainform form;
  SetMessageBoxes(&boxes_);
  form.openfile(MakeMono("tagged.wav", 8000));
  ASSERT_TRUE(WaitIdle(form));
  form.findChild<QAction*>("PropertiesAction")->trigger();
  auto* properties = form.findChild<TPropertiesForm*>("PropertiesForm");
  ASSERT_TRUE(properties && properties->isVisible());
  TTags tags;
  tags.title = "First";
  form.Document()->SetTags(tags);
  EXPECT_EQ(properties->Tags->Field("TitleEdit")->text(), "First");
  properties->Tags->Field("ArtistEdit")->setText("Someone");
  properties->ApplyButton->click();
  EXPECT_EQ(form.Document()->Tags().artist, "Someone");
  EXPECT_TRUE(form.Document()->Modified());
  boxes_.answer = TAnswer::No;
  SetMessageBoxes(nullptr);
}

// Closing the document while the properties window holds edits asks about them first.
TEST_F(MainformTest, ClosingAsksAboutTagEditsNotYetApplied) {
  struct TRow {
    TAnswer answer;
    bool stillLoaded;
    std::vector<std::string> asked;  // the questions, in order
  };
  const TRow rows[] = {
      {TAnswer::Cancel, true, {"applytags"}},
      {TAnswer::No, false, {"applytags"}},
      // Applied, they are a change like any other: the document asks to save it.
      {TAnswer::Yes, false, {"applytags", "savechanges"}},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.answer));
    Tmainform form;
    test::TRecordingMessageBoxes boxes;
    SetMessageBoxes(&boxes);
    form.openfile(MakeMono("edited.wav", 8000));
    ASSERT_TRUE(WaitIdle(form));
    Action(form, "PropertiesAction")->trigger();
    auto* properties = form.findChild<TPropertiesForm*>("PropertiesForm");
    properties->Tags->Field("TitleEdit")->setText("Edited");
    boxes.answer = row.answer;
    Action(form, "CloseAction")->trigger();
    ASSERT_TRUE(WaitIdle(form));
    ASSERT_TRUE(test::WaitUntil([&] { return form.Document()->Loaded() == row.stillLoaded; }));
    std::vector<std::string> asked;
    for (const auto& shown : boxes.shown) asked.push_back(shown.text);
    std::vector<std::string> expected;
    for (const std::string& key : row.asked) expected.push_back(ConstantText(key));
    EXPECT_EQ(asked, expected);
    if (row.stillLoaded) {
      EXPECT_EQ(properties->Tags->Field("TitleEdit")->text(), "Edited");
    }
    SetMessageBoxes(nullptr);
  }
}

// The sound device, the dialogs not shown and the view's drawing wait for the window to show.
TEST_F(MainformTest, WhatTheFirstPaintDoesNotNeedComesAfterIt) {
  Tmainform form;
  EXPECT_EQ(form.View()->Presentations(), 0u);
  EXPECT_EQ(form.findChild<TAboutForm*>("AboutForm"), nullptr);
  EXPECT_FALSE(PlayerPreparing());
  form.show();
  ASSERT_TRUE(test::WaitUntil(
      [&] { return form.findChild<TAboutForm*>("AboutForm") && !PlayerPreparing(); }));
  EXPECT_GT(form.View()->Presentations(), 0u);
  EXPECT_EQ(form.View()->Frame().size(), form.View()->size() * form.devicePixelRatio());
  EXPECT_TRUE(form.findChild<QSlider*>("VolumeBar")->isEnabled());
  EXPECT_NE(form.View()->Player(), nullptr) << "the tests play through SDL's dummy driver";
}

TEST_F(MainformTest, AboutsProductInformationOpensTheProductSiteOrShowsDisabled) {
  struct TRecordingOpener : TUrlOpener {
    void Open(const std::string& url) override { opened.push_back(url); }
    std::vector<std::string> opened;
  } opener;
  {
    Tmainform form;
    form.MakeDialogs();
    EXPECT_FALSE(form.findChild<TAboutForm*>("AboutForm")->Label3->isEnabled());
  }
  setenv("QUILLON_PRODUCT_SITE", "https://product.example", 1);
  {
    Tmainform form;
    form.MakeDialogs();
    SetUrlOpener(&opener);
    auto* about = form.findChild<TAboutForm*>("AboutForm");
    EXPECT_TRUE(about->Label3->isEnabled());
    about->Label3Click();
    SetUrlOpener(nullptr);
  }
  unsetenv("QUILLON_PRODUCT_SITE");
  EXPECT_EQ(opener.opened, std::vector<std::string>{"https://product.example/"});
}

TEST(FormatDurationTest, ShowsTheHourOfTheDay) {
  EXPECT_EQ(FormatDuration(205.12), "0:03:25.120");
  EXPECT_EQ(FormatDuration(90000), "1:00:00.000");
}

// Counts the layout requests a window receives.
class TLayoutRequests : public QObject {
 public:
  explicit TLayoutRequests(QWidget& window) { window.installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    count += event->type() == QEvent::LayoutRequest;
    return false;
  }
  int count = 0;
};

// The cursor's place shows twice (the time display and the status bar), new at every step of
// the play cursor: a text of the same size repaints its label, it does not lay out the window.
TEST_F(MainformTest, ThePlayCursorsTextsDoNotLayOutTheWindowAgain) {
  Tmainform form;
  SetMessageBoxes(&boxes_);
  form.openfile(MakeMono("steps.wav", 80000));
  ASSERT_TRUE(WaitIdle(form));
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  form.View()->SetCursorPos(8000);
  // The dialogs made after the first paint, and the player's wait, are past before counting.
  ASSERT_TRUE(test::WaitUntil([&] { return form.findChild<QDialog*>("AboutForm") != nullptr; }));
  test::ServeFor(std::chrono::milliseconds(50));
  TLayoutRequests requests(form);
  // 1.1 s to 1.9 s: texts of one length.
  for (uint32_t ms = 1100; ms < 2000; ms += 100) form.View()->SetCursorPos(ms * 8);
  test::ServeFor(std::chrono::milliseconds(50));
  EXPECT_EQ(requests.count, 0);
  EXPECT_EQ(form.StatusPanel(1)->text().right(10), "000:01.900");
}

// A file named on the command line opens once the window is up, whichever decoder it needs:
// FFmpeg's libraries are loaded only when a file first needs them.
TEST_F(MainformTest, AFileGivenOnTheCommandLineOpensAtStart) {
  const std::string wav = MakeMono("given.wav", 8000);
  const std::string mp3 = files_.File("given.mp3");
  test::MakeWithFfmpeg("-f lavfi -i sine=frequency=440:duration=0.5 -c:a libmp3lame", mp3);
  for (const std::string& path : {wav, mp3}) {
    SCOPED_TRACE(path);
    Tmainform form({path});
    SetMessageBoxes(&boxes_);
    form.show();
    ASSERT_TRUE(
        test::WaitUntil([&] { return form.Document()->Loaded() && !form.Document()->Busy(); }));
    EXPECT_EQ(form.Document()->FileName(), path);
    EXPECT_GT(form.Document()->FrameCount(), 0u);
    EXPECT_TRUE(boxes_.shown.empty());
  }
}

}  // namespace
}  // namespace quillon
