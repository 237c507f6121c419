// File > Recent Files and the desktop's recently used list, driven through the main window.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <QUrl>
#include <filesystem>
#include <memory>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/config.h"
#include "platform/mainthread.h"
#include "platform/qt/recentlyused.h"
#include "shell/main.h"
#include "shell/recentfiles.h"
#include "shell/recentmenu.h"
#include "shell/utils.h"
#include "support/document_harness.h"
#include "support/fixtures.h"
#include "support/wait.h"

namespace quillon {
namespace {

using TNames = std::vector<std::string>;

class RecentMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(settingsDir_.Path()));
    savedDataHome_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dataDir_.Path()));
    saved_ = config;
    Start();
  }
  void TearDown() override {
    form_.reset();
    SetMessageBoxes(nullptr);
    config = saved_;
    qputenv("XDG_DATA_HOME", savedDataHome_);
  }

  // A start of the editor, as after a restart.
  void Start() {
    form_.reset();
    SetMessageBoxes(&boxes_);
    form_ = std::make_unique<Tmainform>();
    SetMessageBoxes(&boxes_);
    form_->AskSaveTarget =
        [this](const Tmainform::TSaveTarget&) -> std::optional<Tmainform::TSaveTarget> {
      return Tmainform::TSaveTarget{saveAs_, 1};
    };
  }
  bool WaitIdle() {
    return test::WaitUntil([&] { return !form_->Document()->Busy(); }, std::chrono::seconds(30));
  }
  std::string MakeWav(const std::string& name) {
    const std::string path = files_.File(name);
    test::WriteWav16(path, 1, 8000, std::vector<int16_t>(4000, 900));
    return path;
  }
  void Open(const std::string& path) {
    form_->openfile(path);
    ASSERT_TRUE(WaitIdle());
  }
  QAction* Action(const char* name) { return form_->findChild<QAction*>(name); }
  QMenu* FileMenu() { return form_->findChild<QMenu*>("FileMenu"); }
  TRecentFilesMenu* Menu() { return form_->findChild<TRecentFilesMenu*>("RecentFilesMenu"); }
  // What the menu offers, newest first, after the File menu has been opened.
  TNames Shown() {
    emit FileMenu()->aboutToShow();
    TNames names;
    for (QAction* action : Menu()->actions())
      if (action->objectName().startsWith("RecentFile"))
        names.push_back(action->toolTip().toStdString());
    return names;
  }
  // The lists are written off the main thread; what the writer tells arrives as posted events.
  void Settle() {
    form_->SettleWrites();
    QCoreApplication::processEvents();
  }
  TNames Stored() {
    Settle();
    auto store = OpenUserSettings();
    TRecentFiles list;
    list.Load(*store);
    return list.Files();
  }
  QByteArray DesktopList() {
    Settle();
    QFile file(RecentlyUsedFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  static QByteArray Href(const std::string& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path)).toEncoded();
  }

  test::TTempDir settingsDir_;
  test::TTempDir dataDir_;
  test::TTempDir files_;
  test::TRecordingMessageBoxes boxes_;
  std::unique_ptr<Tmainform> form_;
  std::string saveAs_;
  TConfig saved_;
  QByteArray savedDataHome_;
};

TEST_F(RecentMenuTest, EachOpenAndSaveJoinsBothListsNewestFirst) {
  const std::string a = MakeWav("a.wav");
  EXPECT_TRUE(Shown().empty());
  EXPECT_FALSE(Menu()->isEnabled());
  const struct {
    const char* step;
    std::function<void()> run;
    std::string added;
  } rows[] = {
      {"open", [&] { Open(a); }, a},
      {"save as",
       [&] {
         saveAs_ = files_.File("b.wav");
         Action("SaveAsAction")->trigger();
       },
       files_.File("b.wav")},
      {"save selected as",
       [&] {
         saveAs_ = files_.File("c.wav");
         // A selection as a drag makes it, with its event.
         TWaveView* view = form_->View();
         view->SetSelection(0, 100, true);
         emit view->SelectionChanged(0, 100, view->SamplesToMs(0), view->SamplesToMs(100), true);
         Action("SaveSelectedAction")->trigger();
       },
       files_.File("c.wav")},
      {"open again", [&] { Open(a); }, a},
  };
  TNames expected;
  for (const auto& row : rows) {
    row.run();
    ASSERT_TRUE(WaitIdle()) << row.step;
    std::erase(expected, row.added);
    expected.insert(expected.begin(), row.added);
    EXPECT_EQ(Shown(), expected) << row.step;
    EXPECT_EQ(Stored(), expected) << row.step;
    EXPECT_TRUE(Menu()->isEnabled()) << row.step;
    EXPECT_TRUE(DesktopList().contains("href=\"" + Href(row.added) + "\"")) << row.step;
  }
  EXPECT_EQ(DesktopList().count("<bookmark "), 3);
}

TEST_F(RecentMenuTest, TheListComesBackAfterARestartWithoutTheFilesThatWentMeanwhile) {
  const std::string a = MakeWav("a.wav"), b = MakeWav("b.wav"), c = MakeWav("c.wav");
  for (const std::string& path : {a, b, c}) Open(path);
  form_.reset();
  std::filesystem::remove(b);
  Start();
  EXPECT_EQ(Shown(), (TNames{c, a}));
  EXPECT_EQ(Stored(), (TNames{c, a}));
}

TEST_F(RecentMenuTest, AFileDeletedWhileRunningGoesWhenTheFileMenuOpens) {
  const std::string a = MakeWav("a.wav"), b = MakeWav("b.wav");
  Open(a);
  Open(b);
  std::filesystem::remove(a);
  EXPECT_EQ(Shown(), TNames{b});
  EXPECT_EQ(Stored(), TNames{b});
}

TEST_F(RecentMenuTest, ClearEmptiesTheListAndLeavesTheDesktopsList) {
  Open(MakeWav("a.wav"));
  const QByteArray desktop = DesktopList();
  Menu()->ClearAction()->trigger();
  EXPECT_TRUE(Shown().empty());
  EXPECT_TRUE(Stored().empty());
  EXPECT_FALSE(Menu()->isEnabled());
  EXPECT_FALSE(Menu()->ClearAction()->isEnabled());
  EXPECT_EQ(DesktopList(), desktop);
}

TEST_F(RecentMenuTest, ChoosingAnEntryOpensItAfterTheCloseQuery) {
  const struct {
    TAnswer answer;
    bool opened;
  } rows[] = {{TAnswer::Cancel, false}, {TAnswer::No, true}};
  for (const auto& row : rows) {
    const std::string a = MakeWav("a.wav"), b = MakeWav("b.wav");
    Open(a);
    Open(b);
    Action("InvertAction")->trigger();
    ASSERT_TRUE(WaitIdle());
    ASSERT_TRUE(form_->Document()->Modified());
    boxes_.shown.clear();
    boxes_.answer = row.answer;
    Shown();
    QAction* entry = form_->findChild<QAction*>("RecentFile2");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->toolTip().toStdString(), a);
    entry->trigger();
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].text, ConstantText("savechanges"));
    EXPECT_EQ(form_->Document()->FileName(), row.opened ? a : b);
    // Discards the edit for the next row.
    boxes_.answer = TAnswer::No;
    form_->findChild<QAction*>("CloseAction")->trigger();
  }
}

TEST_F(RecentMenuTest, ABrokenDesktopListIsLeftAndTheStatusBarSaysSo) {
  const QByteArray broken = "<?xml version=\"1.0\"?>\n<xbel version=\"1.0\"><bookmark href=";
  QFile file(RecentlyUsedFile());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(broken);
  file.close();
  const std::string a = MakeWav("a.wav");
  Open(a);
  EXPECT_EQ(DesktopList(), broken);
  EXPECT_EQ(form_->statusBar()->currentMessage(),
            QString::fromStdString(ConstantText("recentlistbroken")).arg(RecentlyUsedFile()));
  // Our own list is not held back by the desktop's.
  EXPECT_EQ(Stored(), TNames{a});
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST(RecentFileEntryTextTest, NumbersTheEntriesAndShowsAmpersandsAsTheyAre) {
  const struct {
    size_t index;
    std::string path;
    QString text;
  } rows[] = {
      {0, "/m/a.wav", "&1  /m/a.wav"},
      {9, "/m/Tom & Jerry.wav", "&0  /m/Tom && Jerry.wav"},
      {2, "/" + std::string(80, 'x') + "/take.wav",
       "&3  /" + QString(47, 'x') + QString::fromUtf8("\u2026/") + "take.wav"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(RecentFileEntryText(row.index, row.path), row.text) << row.path;
}

}  // namespace
}  // namespace quillon
