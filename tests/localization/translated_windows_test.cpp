#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include "diagnostics/qt/crashmessage.h"
#include "localization/constants.h"
#include "localization/langmanager.h"
#include "localization/ui/qtcatalogue.h"
#include "platform/mainthread.h"
#include "shell/dialogs/about.h"
#include "shell/dialogs/properties.h"
#include "shell/main.h"
#include "support/document_harness.h"
#include "support/fixtures.h"
#include "support/wait.h"

namespace quillon {
namespace {

// The editor as a German or Russian user starts it: the language stored in the settings, the
// program's own language files.
class TranslatedWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(settingsDir_.Path()));
    ASSERT_TRUE(LangManager().RegisterLanguageFile(QUILLON_LANG_DIR "/de.lng"));
    ASSERT_TRUE(LangManager().RegisterLanguageFile(QUILLON_LANG_DIR "/ru.lng"));
  }
  void TearDown() override {
    SetMessageBoxes(nullptr);
    LangManager().ActivateLanguage(kDefaultLanguageId);
    InstallQtCatalogue(kDefaultLanguageId);
  }

  void StoreSettings(int32_t language, int32_t selectionType = 0) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, "Morvane", "Quillon");
    store.setValue("Settings/lang", language);
    store.setValue("Settings/selectiontype", selectionType);
  }

  // The text of the message box that action shows, read from the box and the box closed again;
  // empty when none came.
  static QString TextOfBoxShownBy(const std::function<void()>& action) {
    QString text;
    QTimer poll;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        text = box->text();
        box->done(0);
      } else if (std::chrono::steady_clock::now() > deadline) {
        poll.stop();
      }
    });
    poll.start(20);
    action();
    return text;
  }

  test::TTempDir settingsDir_;
  test::TTempDir files_;
  test::TRecordingMessageBoxes boxes_;
};

TEST_F(TranslatedWindowsTest, ALanguageFileTheScanCannotReadLeavesTheEditorStarting) {
  // The user's own language folder, which the main window scans as it starts.
  const std::filesystem::path folder =
      QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString() + "/lang";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "huge.lng") << "LANGID=1036\n";
  std::filesystem::resize_file(folder / "huge.lng", (16 << 20) + 1);
  std::filesystem::create_directories(folder / "folder.lng");
  StoreSettings(1031);
  // The window shows its own message boxes while it is made.
  const QString told = TextOfBoxShownBy([] {
    try {
      Tmainform form;
      EXPECT_EQ(LangManager().ActiveLanguageId(), 1031);
    } catch (const std::exception& error) {
      ADD_FAILURE() << "the editor did not start: " << error.what();
    }
  });
  std::filesystem::remove_all(folder);
  EXPECT_TRUE(told.contains(QString::fromStdString((folder / "huge.lng").string())))
      << told.toStdString();
}

TEST_F(TranslatedWindowsTest, TheAboutBoxNamesItsLinksInEachLanguage) {
  StoreSettings(1031);
  Tmainform form;
  auto* about = form.findChild<TAboutForm*>("AboutForm");
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->windowTitle(), "Über Quillon");
  EXPECT_EQ(about->Label7->text(), "Links:");
  EXPECT_EQ(about->Label3->text(), "Produktinformationen");
  LangManager().ActivateLanguage(1049);
  EXPECT_EQ(about->Label7->text(), "Ссылки:");
  EXPECT_EQ(about->Label3->text(), "Информация о продукте");
}

TEST_F(TranslatedWindowsTest, TheSaveSettingsDialogsFollowTheLanguage) {
  StoreSettings(1031);
  Tmainform form;
  auto title = [&form](const char* dialog) {
    auto* window = form.findChild<QDialog*>(dialog);
    return window ? window->windowTitle().toStdString() : std::string("(none)");
  };
  EXPECT_EQ(title("mpegsettings"), "MPEG-Layer-3-Einstellungen");
  EXPECT_EQ(title("vorbissettings"), "Ogg-Vorbis-Einstellungen");
  EXPECT_EQ(title("opussettings"), "Opus-Einstellungen");
  LangManager().ActivateLanguage(1049);
  EXPECT_EQ(title("mpegsettings"), "Параметры MPEG Layer 3");
  EXPECT_EQ(title("opussettings"), "Параметры Opus");
}

TEST_F(TranslatedWindowsTest, ThePropertiesWindowsTagTextsFollowTheLanguage) {
  struct TRow {
    const char* object;
    const char* german;
    const char* russian;
  };
  const TRow rows[] = {
      {"TagsBox", "Tags", "Теги"},
      {"TitleLabel", "&Titel:", "&Название:"},
      {"AlbumArtistLabel", "Alb&uminterpret:", "Исполнитель а&льбома:"},
      {"TrackLabel", "Titel&nummer:", "Н&омер трека:"},
      {"CoverLabel", "Frontcover:", "Обложка:"},
      {"NoCoverLabel", "Kein Cover", "Нет обложки"},
      {"ReplaceCoverButton", "&Ersetzen…", "&Заменить…"},
      {"RemoveCoverButton", "Ent&fernen", "&Удалить"},
      {"ApplyButton", "Ü&bernehmen", "&Применить"},
      {"CancelButton", "Abbrechen", "Отмена"},
  };
  StoreSettings(1031);
  Tmainform form;
  auto* properties = form.findChild<TPropertiesForm*>("PropertiesForm");
  ASSERT_NE(properties, nullptr);
  auto text = [properties](const char* name) -> QString {
    QObject* object = properties->findChild<QObject*>(name);
    if (auto* box = qobject_cast<QGroupBox*>(object)) return box->title();
    if (auto* button = qobject_cast<QAbstractButton*>(object)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(object)) return label->text();
    return "(none)";
  };
  for (const TRow& row : rows) EXPECT_EQ(text(row.object), QString::fromUtf8(row.german));
  EXPECT_EQ(ConstantText("applytags"), "Die geänderten Tags in das Dokument übernehmen?");
  LangManager().ActivateLanguage(1049);
  for (const TRow& row : rows) EXPECT_EQ(text(row.object), QString::fromUtf8(row.russian));
  EXPECT_EQ(ConstantText("covertoolarge"),
            "Это изображение больше 16 МБ и не может быть обложкой:");
}

TEST_F(TranslatedWindowsTest, QtsOwnButtonsFollowTheInterfaceLanguage) {
  StoreSettings(1031);
  Tmainform form;
  QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text(), "&Ja");
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), "Abbrechen");
}

TEST_F(TranslatedWindowsTest, TheSelectionErrorAndTheCrashMessageAreTranslated) {
  StoreSettings(1031, 1);  // sample numbers
  const std::string path = files_.File("tone.wav");
  test::WriteWav16(path, 1, 8000, std::vector<int16_t>(800, 1000));
  Tmainform form;
  SetMessageBoxes(&boxes_);
  form.openfile(path);
  ASSERT_TRUE(test::WaitUntil([&] { return !form.Document()->Busy(); }));
  form.findChild<QLineEdit*>("selstart")->setText("");
  form.findChild<QCheckBox*>("sel")->click();
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, "Anfang: \"\" ist keine gültige Samplenummer.");

  EXPECT_EQ(TextOfBoxShownBy([] { ShowCrashMessage("details"); }),
            "Quillon hat einen schweren Fehler festgestellt und muss beendet werden.\n\ndetails");
}

}  // namespace
}  // namespace quillon
