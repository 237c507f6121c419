#include "shell/tools/toolsmenu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "localization/constants.h"
#include "platform/messagebox.h"
#include "platform/urlopener.h"

namespace quillon {
namespace {

class TRecordingBoxes : public TMessageBoxes {
 public:
  void Show(const std::string& /*caption*/, const std::string& text, TMessageIcon) override {
    shown.push_back(text);
  }
  void ShowException(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

class TRecordingOpener : public TUrlOpener {
 public:
  void Open(const std::string& url) override { opened.push_back(url); }
  std::vector<std::string> opened;
};

struct TStart {
  std::string program;
  std::vector<std::string> arguments;
};

// Machine and user settings in temporary folders, a program file in a third, and recorders in
// place of the message box, the browser and the process start.
class ToolLauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(machine_.isValid() && user_.isValid() && programs_.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, machine_.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, user_.path());
    SetMessageBoxes(&boxes_);
    SetUrlOpener(&opener_);
    SetMakerSite("https://www.morvane.example");
  }
  void TearDown() override {
    SetMakerSite("");
    SetMessageBoxes(nullptr);
    SetUrlOpener(nullptr);
  }

  static void Register(QSettings::Scope scope, const std::string& folder) {
    QSettings store(QSettings::IniFormat, scope, "Morvane", "Recorder");
    store.setValue("Settings/path", QString::fromStdString(folder));
    store.sync();
    ASSERT_EQ(store.status(), QSettings::NoError);
  }

  // A folder holding the program file, with its trailing slash.
  std::string InstallProgram(const QString& name) {
    const QString folder = programs_.filePath(name);
    EXPECT_TRUE(QDir().mkpath(folder));
    QFile program(folder + "/recorder");
    EXPECT_TRUE(program.open(QIODevice::WriteOnly));
    EXPECT_TRUE(program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    return (folder + "/").toStdString();
  }

  void Launch(std::string_view argument = "") {
    LaunchTool("Recorder", "recorder", argument, kPage,
               [this](const std::string& program, const std::vector<std::string>& arguments) {
                 starts_.push_back({program, arguments});
               });
  }

  void ExpectNotFoundThenPage() {
    EXPECT_TRUE(starts_.empty());
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0],
              ConstantText("componentnotfound") + "\n" + ConstantText("pleaseinstall"));
    ASSERT_EQ(opener_.opened.size(), 1u);
    EXPECT_EQ(opener_.opened[0], kPage);
  }

  static constexpr const char* kPage =
      "https://www.morvane.example/recorder/index.shtml?ref=quillon";
  QTemporaryDir machine_, user_, programs_;
  TRecordingBoxes boxes_;
  TRecordingOpener opener_;
  std::vector<TStart> starts_;
};

TEST_F(ToolLauncherTest, ProgramRegisteredForTheUserOnlyStarts) {
  const std::string folder = InstallProgram("user");
  Register(QSettings::UserScope, folder);
  Launch();
  ASSERT_EQ(starts_.size(), 1u);
  EXPECT_EQ(starts_[0].program, folder + "recorder");
  EXPECT_TRUE(starts_[0].arguments.empty());
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_TRUE(opener_.opened.empty());
}

TEST_F(ToolLauncherTest, ProgramRegisteredForTheMachineOnlyStarts) {
  const std::string folder = InstallProgram("machine");
  Register(QSettings::SystemScope, folder);
  Launch("take.wav");
  ASSERT_EQ(starts_.size(), 1u);
  EXPECT_EQ(starts_[0].program, folder + "recorder");
  EXPECT_EQ(starts_[0].arguments, std::vector<std::string>{"take.wav"});
}

TEST_F(ToolLauncherTest, UsersFolderWinsOverTheMachines) {
  Register(QSettings::SystemScope, InstallProgram("machine"));
  const std::string userFolder = InstallProgram("user");
  Register(QSettings::UserScope, userFolder);
  EXPECT_EQ(InstalledToolFolder("Recorder"), userFolder);
  Launch();
  ASSERT_EQ(starts_.size(), 1u);
  EXPECT_EQ(starts_[0].program, userFolder + "recorder");
}

TEST_F(ToolLauncherTest, DeletedProgramShowsTheMessageThenItsPage) {
  const std::string folder = InstallProgram("user");
  Register(QSettings::UserScope, folder);
  ASSERT_TRUE(QFile::remove(QString::fromStdString(folder + "recorder")));
  Launch();
  ExpectNotFoundThenPage();
}

TEST_F(ToolLauncherTest, UnregisteredProgramShowsTheMessageThenItsPage) {
  Launch();
  ExpectNotFoundThenPage();
}

TEST_F(ToolLauncherTest, UnregisteredProgramOnTheSearchPathStarts) {
  LaunchTool("ShellTool", "sh", "", kPage,
             [this](const std::string& program, const std::vector<std::string>& arguments) {
               starts_.push_back({program, arguments});
             });
  ASSERT_EQ(starts_.size(), 1u);
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_TRUE(opener_.opened.empty());
}

TEST_F(ToolLauncherTest, FolderWithoutItsTrailingSlashCountsAsNotInstalled) {
  std::string folder = InstallProgram("user");
  folder.pop_back();
  Register(QSettings::UserScope, folder);
  Launch();
  ExpectNotFoundThenPage();
}

TEST_F(ToolLauncherTest, FileThatCannotRunOrRelativeFolderCountsAsNotInstalled) {
  const std::string folder = InstallProgram("user");
  QFile::setPermissions(QString::fromStdString(folder + "recorder"),
                        QFile::ReadOwner | QFile::WriteOwner);
  Register(QSettings::UserScope, folder);
  Launch();
  ExpectNotFoundThenPage();

  boxes_.shown.clear();
  opener_.opened.clear();
  // The same file, able to run, reached from the current folder.
  QFile::setPermissions(QString::fromStdString(folder + "recorder"),
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  Register(QSettings::UserScope, "user/");
  const QString previous = QDir::currentPath();
  QDir::setCurrent(programs_.path());
  Launch();
  QDir::setCurrent(previous);
  ExpectNotFoundThenPage();
}

TEST_F(ToolLauncherTest, FolderNamingTheProgramsFolderItselfIsNoProgram) {
  // A directory called like the executable must not be "started".
  const QString folder = programs_.filePath("dir");
  ASSERT_TRUE(QDir().mkpath(folder + "/recorder"));
  Register(QSettings::UserScope, (folder + "/").toStdString());
  Launch();
  ExpectNotFoundThenPage();
}

TEST_F(ToolLauncherTest, MenuGetsEightNamedActionsThatLaunch) {
  QMenu menu;
  AddToolActions(menu);
  const QList<QAction*> actions = menu.actions();
  ASSERT_EQ(actions.size(), 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(actions[i]->objectName(), QString("Tool%1Action").arg(i + 1));
    EXPECT_FALSE(actions[i]->text().isEmpty());
  }
  // Nothing is registered in the temporary settings, so the first tool points to its page.
  actions[0]->trigger();
  ASSERT_EQ(opener_.opened.size(), 1u);
  EXPECT_EQ(opener_.opened[0], ToolPage(ToolRows()[0].pageName));
  EXPECT_EQ(boxes_.shown.size(), 1u);
}

TEST_F(ToolLauncherTest, DemoLabelOpensTheAdvancedEditionsPageAndStaysCentred) {
  QWidget panel;
  panel.resize(600, 100);
  QLabel* label = CreateDemoLabel(panel);
  EXPECT_EQ(label->objectName(), "demoLabel");
  EXPECT_EQ(label->parent(), &panel);
  EXPECT_FALSE(label->isHidden());
  EXPECT_EQ(label->x(), (600 - label->width()) / 2);
  QTest::mouseClick(label, Qt::LeftButton);
  ASSERT_EQ(opener_.opened.size(), 1u);
  EXPECT_EQ(opener_.opened[0], "https://www.morvane.example/marrowby/index.shtml?ref=quillon");
  // A longer translation is shown whole and centred again.
  const int shortWidth = label->width();
  label->setText(label->text() + " " + label->text());
  PlaceDemoLabel(*label);
  EXPECT_GT(label->width(), shortWidth);
  EXPECT_GE(label->width(), label->sizeHint().width());
  EXPECT_EQ(label->x(), (600 - label->width()) / 2);
  // The panel's own resize (its layout runs after the window's) centres it again.
  panel.show();
  panel.resize(900, 100);
  QApplication::processEvents();
  EXPECT_EQ(label->x(), (900 - label->width()) / 2);
}

TEST_F(ToolLauncherTest, WithoutAMakersSiteNoDeadPageOpens) {
  SetMakerSite("");
  QWidget panel;
  EXPECT_TRUE(CreateDemoLabel(panel)->isHidden());
  EXPECT_EQ(ToolPage("recorder"), "");
  LaunchTool("Recorder", "recorder", "", ToolPage("recorder"),
             [this](const std::string& program, const std::vector<std::string>& arguments) {
               starts_.push_back({program, arguments});
             });
  EXPECT_TRUE(opener_.opened.empty());
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0], ConstantText("componentnotfound") + "\n" +
                                 ConstantText("toolexpected") + " recorder (" +
                                 ConstantText("onsearchpath") + ")");
  const std::string folder = InstallProgram("user");
  Register(QSettings::UserScope, folder);
  ASSERT_TRUE(QFile::remove(QString::fromStdString(folder + "recorder")));
  LaunchTool("Recorder", "recorder", "", "", [](const std::string&, const auto&) {});
  ASSERT_EQ(boxes_.shown.size(), 2u);
  EXPECT_NE(boxes_.shown[1].find(folder + "recorder"), std::string::npos) << boxes_.shown[1];
}

}  // namespace
}  // namespace quillon
