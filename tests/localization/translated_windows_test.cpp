#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include "diagnostics/qt/crashmessage.h"
#include "localization/constants.h"
#include "localization/langmanager.h"
#include "localization/ui/qtcatalogue.h"
#include "localization/ui/qttext.h"
#include "platform/mainthread.h"
#include "shell/dialogs/about.h"
#include "shell/dialogs/properties.h"
#include "shell/dialogs/settings.h"
#include "shell/filedialogs.h"
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

  // The title and the file-type entries of the file dialog that action shows, the dialog
  // closed again; empty when none came.
  static std::pair<QString, QStringList> FileDialogShownBy(const std::function<void()>& action) {
    std::pair<QString, QStringList> seen;
    QTimer poll;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        seen = {dialog->windowTitle(), dialog->nameFilters()};
        dialog->reject();
      } else if (std::chrono::steady_clock::now() > deadline) {
        poll.stop();
      }
    });
    poll.start(20);
    action();
    return seen;
  }

  // Makes a language current as the settings dialog's language list does.
  static void ChooseLanguage(Tmainform& form, int32_t language) {
    auto* settings = form.findChild<TsettingsForm*>("settingsForm");
    ASSERT_NE(settings, nullptr);
    const int index = settings->LangBox->findData(language);
    ASSERT_GE(index, 0) << language;
    settings->LangBox->setCurrentIndex(index);
    settings->LangBoxChange();
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
      form.MakeDialogs();
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
  form.MakeDialogs();
  auto* about = form.findChild<TAboutForm*>("AboutForm");
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->windowTitle(), "Über Quillon");
  EXPECT_EQ(about->Label7->text(), "Verweise:");
  EXPECT_EQ(about->Label3->text(), "Produktinformationen");
  LangManager().ActivateLanguage(1049);
  EXPECT_EQ(about->Label7->text(), "Ссылки:");
  EXPECT_EQ(about->Label3->text(), "Информация о продукте");
}

TEST_F(TranslatedWindowsTest, TheSaveSettingsDialogsFollowTheLanguage) {
  StoreSettings(1031);
  Tmainform form;
  form.MakeDialogs();
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
  form.MakeDialogs();
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

// What a language shows in the open and save dialogs.
struct TFileDialogTexts {
  int32_t language;
  const char* openTitle;
  QStringList openFilters;
  const char* saveTitle;
  QStringList saveFilters;
};

TEST_F(TranslatedWindowsTest, TheFileDialogsTitlesAndTypesFollowTheLanguage) {
  const char* supported = "(*.wav *.mp3 *.wma *.ogg *.opus *.flac *.m4a *.aac)";
  const TFileDialogTexts rows[] = {
      {1033,
       "Open",
       {QString("Supported Formats ") + supported, "MPEG Layer 3 Files (*.mp3)",
        "WAV Files (*.wav)", "WMA Files (*.wma)", "All files (*)"},
       "Save As",
       {"WAV Files (*.wav)", "MP3 Files (*.mp3)", "FLAC Files (*.flac)", "Ogg Vorbis Files (*.ogg)",
        "Opus Files (*.opus)"}},
      {1031,
       "Öffnen",
       {QString("Unterstützte Formate ") + supported, "MPEG Layer 3-Dateien (*.mp3)",
        "WAV-Dateien (*.wav)", "WMA-Dateien (*.wma)", "Alle Dateien (*)"},
       "Speichern unter",
       {"WAV-Dateien (*.wav)", "MP3-Dateien (*.mp3)", "FLAC-Dateien (*.flac)",
        "Ogg Vorbis-Dateien (*.ogg)", "Opus-Dateien (*.opus)"}},
      {1049,
       "Открыть",
       {QString("Поддерживаемые форматы ") + supported, "Файлы MPEG Layer 3 (*.mp3)",
        "Файлы WAV (*.wav)", "Файлы WMA (*.wma)", "Все файлы (*)"},
       "Сохранить как",
       {"Файлы WAV (*.wav)", "Файлы MP3 (*.mp3)", "Файлы FLAC (*.flac)", "Файлы Ogg Vorbis (*.ogg)",
        "Файлы Opus (*.opus)"}},
  };
  StoreSettings(1033);
  Tmainform form;
  form.MakeDialogs();
  // The dialogs of Qt itself, so that the test can read them.
  QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  for (const TFileDialogTexts& row : rows) {
    ChooseLanguage(form, row.language);
    const auto open = FileDialogShownBy([&] { form.findChild<QAction*>("OpenAction")->trigger(); });
    EXPECT_EQ(open.first.toStdString(), row.openTitle) << row.language;
    EXPECT_EQ(open.second.join(";;").toStdString(), row.openFilters.join(";;").toStdString());
    const auto save = FileDialogShownBy([&] { AskSaveTargetWithDialog(&form, {"", 2}); });
    EXPECT_EQ(save.first.toStdString(), row.saveTitle) << row.language;
    EXPECT_EQ(save.second.join(";;").toStdString(), row.saveFilters.join(";;").toStdString());
  }
}

TEST_F(TranslatedWindowsTest, TheStatusBarIsWrittenAgainWhenTheLanguageChanges) {
  struct TRow {
    int32_t language;
    const char* panels[4];
  };
  const TRow rows[] = {
      {1031,
       {"Format: 8000 Hz, 1 Kan.", "Cursorposition: 000:00.000", "Höchste Amplitude: -6 dB",
        "Dauer: 0:00:00.100"}},
      {1049,
       {"Формат: 8000 Hz, 1 кан.", "Позиция курсора: 000:00.000", "Макс. амплитуда: -6 dB",
        "Длительность: 0:00:00.100"}},
      {1033,
       {"Format: 8000 Hz, 1 Ch.", "Cursor Position: 000:00.000", "Max. Amplitude: -6 dB",
        "Duration: 0:00:00.100"}},
  };
  StoreSettings(1033);
  const std::string path = files_.File("tone.wav");
  test::WriteWav16(path, 1, 8000, std::vector<int16_t>(800, 16384));
  Tmainform form;
  form.MakeDialogs();
  form.openfile(path);
  ASSERT_TRUE(test::WaitUntil([&] { return !form.Document()->Busy(); }));
  ASSERT_FALSE(form.StatusPanel(0)->text().isEmpty());
  for (const TRow& row : rows) {
    ChooseLanguage(form, row.language);
    for (int panel = 0; panel < 4; ++panel)
      EXPECT_EQ(form.StatusPanel(panel)->text().toStdString(), row.panels[panel])
          << row.language << " panel " << panel;
  }
}

// A text of a window, by the window's and the object's names and the kind of text.
struct TWindowText {
  const char* window;
  const char* object;
  TVxLang_QtText kind;
  int index;
  const char* german;  // the start of the text, for texts built around a value
  const char* russian;
};

TEST_F(TranslatedWindowsTest, TheTextsBuiltInCodeFollowTheLanguage) {
  using enum TVxLang_QtText;
  const TWindowText rows[] = {
      {"PropertiesForm", "LV", Row, 0, "Dateiformat", "Формат"},
      {"PropertiesForm", "LV", Row, 3, "Bits pro Sample", "Бит на сэмпл"},
      {"PropertiesForm", "LV", Row, 8, "Spitzenpegel", "Пиковый уровень"},
      {"AboutForm", "Label2", Caption, 0, "Schlanker visueller Audioeditor",
       "Лёгкий визуальный аудиоредактор"},
      {"AboutForm", "Label4", Caption, 0, "Nach Aktualisierungen suchen...",
       "Проверить обновления..."},
      {"AboutForm", "Label6", Caption, 0, "Produktversion: ", "Версия продукта: "},
      {"AboutForm", "Label9", Caption, 0, "Quillon ist freie Software",
       "Quillon — свободная программа"},
      {"settingsForm", "backColor", Items, 0, "Schwarz\r\nKastanienbraun\r\n",
       "Чёрный\r\nТёмно-бордовый\r\n"},
      {"settingsForm", "waveColor", Items, 0, "Schwarz\r\n", "Чёрный\r\n"},
      {"mainform", "Tool4Action", Caption, 0, "Lautstärken einstellen", "Настроить громкость"},
  };
  StoreSettings(1031);
  Tmainform form;
  form.MakeDialogs();
  auto text = [&form](const TWindowText& row) {
    QWidget* window =
        form.objectName() == row.window ? &form : form.findChild<QWidget*>(row.window);
    QObject* object = window ? window->findChild<QObject*>(row.object) : nullptr;
    const auto value = object ? ReadQtText(object, window, row.kind, row.index) : std::nullopt;
    return value.value_or("(none)");
  };
  for (const TWindowText& row : rows)
    EXPECT_TRUE(text(row).startsWith(QString::fromUtf8(row.german)))
        << row.object << ": " << text(row).toStdString();
  LangManager().ActivateLanguage(1049);
  for (const TWindowText& row : rows)
    EXPECT_TRUE(text(row).startsWith(QString::fromUtf8(row.russian)))
        << row.object << ": " << text(row).toStdString();
}

// Whether a label shows its whole text in the room its window gives it.
bool ShowsWholeText(QLabel& label) {
  if (label.wordWrap()) return label.heightForWidth(label.width()) <= label.height();
  return label.fontMetrics().horizontalAdvance(label.text()) <= label.contentsRect().width();
}

TEST_F(TranslatedWindowsTest, LongerTranslationsAreNotCutOff) {
  StoreSettings(1033);
  Tmainform form;
  form.MakeDialogs();
  auto* properties = form.findChild<TPropertiesForm*>("PropertiesForm");
  auto* about = form.findChild<TAboutForm*>("AboutForm");
  ASSERT_NE(properties, nullptr);
  ASSERT_NE(about, nullptr);
  properties->show();
  about->show();
  for (int32_t language : {1033, 1031, 1049}) {
    ChooseLanguage(form, language);
    about->layout()->activate();
    const QAbstractItemView* list = properties->LV;
    EXPECT_LE(list->sizeHintForColumn(0), properties->LV->header()->sectionSize(0))
        << "the row captions in " << language;
    EXPECT_TRUE(ShowsWholeText(*about->Label9)) << about->Label9->text().toStdString();
  }
}

TEST_F(TranslatedWindowsTest, TheLanguageListNamesEachLanguageInItsOwnWords) {
  StoreSettings(1033);
  Tmainform form;
  form.MakeDialogs();
  auto* settings = form.findChild<TsettingsForm*>("settingsForm");
  ASSERT_NE(settings, nullptr);
  for (int32_t language : {1031, 1049, 1033}) {
    ChooseLanguage(form, language);
    QStringList names;
    for (int32_t listed : {1033, 1031, 1049})
      names << settings->LangBox->itemText(settings->LangBox->findData(listed));
    EXPECT_EQ(names.join(", ").toStdString(), "English, Deutsch, Русский") << language;
  }
}

TEST_F(TranslatedWindowsTest, QtsOwnButtonsFollowTheInterfaceLanguage) {
  StoreSettings(1031);
  Tmainform form;
  form.MakeDialogs();
  QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text(), "&Ja");
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), "Abbrechen");
}

TEST_F(TranslatedWindowsTest, TheSelectionErrorAndTheCrashMessageAreTranslated) {
  StoreSettings(1031, 1);  // sample numbers
  const std::string path = files_.File("tone.wav");
  test::WriteWav16(path, 1, 8000, std::vector<int16_t>(800, 1000));
  Tmainform form;
  form.MakeDialogs();
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
