#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSettings>
#include <QTabWidget>
#include <QWidget>
#include <set>
#include <string>

#include "document/journal.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "localization/langfile.h"
#include "localization/langmanager.h"
#include "localization/ui/langcontroller.h"
#include "shell/help.h"
#include "shell/main.h"
#include "support/document_harness.h"
#include "support/fixtures.h"
#include "support/wait.h"

namespace quillon {
namespace {

// Texts that rightly read the same in a translation as in English, each with its reason. A key
// is "$CONSTANTS/<name>" or "<window>/<identifier>".
struct TSameText {
  const char* key;
  const char* language;  // "" in every language
  const char* reason;
};

constexpr TSameText kSameTexts[] = {
    {"mainform/1", "", "the window is named after the program"},
    {"vorbissettings/2", "", "a format's name"},
    {"opussettings/2", "", "a format's name"},
    {"$CONSTANTS/formatstring", "de", "German says \"Format\" too"},
    {"mainform/141", "de", "German says \"Pause\" too"},
    {"mainform/163", "de", "\"Samples\" is the German term of audio editing"},
    {"mainform/207", "de", "\"Samples\" is the German term of audio editing"},
    {"PropertiesForm/7", "de", "German says \"Tags\" too"},
    {"PropertiesForm/14", "de", "German says \"Genre\" too"},
    {"mpegsettings/3", "de", "German says \"Bitrate\" too"},
    {"opussettings/3", "de", "German says \"Bitrate\" too"},
    {"settingsForm/4", "de", "German says \"System\" too"},
    {"normalizeloudnessform/6", "de", "German says \"OK\" too"},
    {"sampleratebox/3", "de", "German says \"OK\" too"},
    {"monoform/6", "de", "German says \"OK\" too"},
};

bool MaySameAsEnglish(const std::string& key, const std::string& language) {
  for (const TSameText& same : kSameTexts)
    if (key == same.key && (*same.language == '\0' || language == same.language)) return true;
  return false;
}

// Every text the English editor shows, by key: the constants and the designed texts of every
// window that has a translation table.
std::map<std::string, QString> EnglishTexts(Tmainform& form) {
  std::map<std::string, QString> texts;
  for (const TMessageConstant& constant : DesignedConstants())
    texts["$CONSTANTS/" + constant.wsName] = QString::fromStdString(constant.wsDefValue);
  for (const TVxLang_WindowTable& table : WindowTables()) {
    QWidget* window =
        form.objectName() == table.windowName ? &form : form.findChild<QWidget*>(table.windowName);
    EXPECT_NE(window, nullptr) << table.windowName;
    if (!window) continue;
    auto* controller =
        window->findChild<TVxLanguageController*>(QString(), Qt::FindDirectChildrenOnly);
    EXPECT_NE(controller, nullptr) << table.windowName;
    if (!controller) continue;
    auto add = [&](const TVxLang_CompEntry& component) {
      for (const TVxLang_PropEntry& prop : component.props)
        texts[std::string(table.windowName) + "/" + std::to_string(prop.iID)] = prop.wsDefLangValue;
    };
    add(controller->RootCompEntry());
    for (const TVxLang_CompEntry& child : controller->RootCompEntry().children) add(child);
  }
  return texts;
}

// The same keys in a language file.
std::map<std::string, QString> FileTexts(const std::string& path) {
  TVxLang_CompTranslations file;
  file.Text_LoadFromFile(path, false);
  std::map<std::string, QString> texts;
  for (const TMessageConstant& constant : file.FConstants.Items())
    texts["$CONSTANTS/" + constant.wsName] = QString::fromStdString(constant.wsValue);
  for (const auto& section : file.Sections)
    for (const TVxLang_PropTranslation& prop : section->Items())
      texts[section->FComponentName + "/" + std::to_string(prop.iID)] =
          QString::fromStdString(prop.wsValue);
  return texts;
}

class LanguageCoverageTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(settingsDir_.Path()));
  }
  test::TTempDir settingsDir_;
};

TEST_P(LanguageCoverageTest, EveryEnglishTextHasATranslationThatDiffers) {
  const std::string language = GetParam();
  Tmainform form;
  form.MakeDialogs();
  const auto english = EnglishTexts(form);
  const auto translated = FileTexts(QUILLON_LANG_DIR "/" + language + ".lng");
  std::set<std::string> missing, same;
  for (const auto& [key, text] : english) {
    auto found = translated.find(key);
    if (found == translated.end())
      missing.insert(key + " \"" + text.toStdString() + "\"");
    else if (found->second == text && !MaySameAsEnglish(key, language))
      same.insert(key + " \"" + text.toStdString() + "\"");
  }
  auto list = [](const std::set<std::string>& keys) {
    std::string joined;
    for (const std::string& key : keys) joined += "\n  " + key;
    return joined;
  };
  EXPECT_TRUE(missing.empty()) << "not translated:" << list(missing);
  EXPECT_TRUE(same.empty()) << "the same as in English:" << list(same);
}

INSTANTIATE_TEST_SUITE_P(Languages, LanguageCoverageTest, ::testing::Values("de", "ru"));

// Shown texts that rightly read the same in a translation: the program's name, a placeholder that
// the effect's name replaces before the dialog shows, OK, words German shares with English, format
// names and texts without a word.
bool ShownMaySameAsEnglish(const QString& text, const std::string& language) {
  static const QStringList everywhere{"Quillon", "Param Name", "&OK"};
  static const QStringList german{
      "Pause",   "Samples",   "&Samples", "Format:", "Tags",
      "&Genre:", "&Bitrate:", "System",   "Cursor",  "&Bitrate (kbit/s):"};
  static const QRegularExpression formatOrNoWord(
      "^(WAV|MP3|FLAC|Ogg Vorbis|Opus|ID3v[12]|[^\\p{L}]*)$");
  return everywhere.contains(text) || (language == "de" && german.contains(text)) ||
         formatOrNoWord.match(text).hasMatch();
}

// Where an object shows: its names up to the window, an unnamed one by class and place.
std::string PathOf(const QObject* object, const QObject* window) {
  std::string path;
  for (; object != window; object = object->parent()) {
    std::string name = object->objectName().toStdString();
    if (name.empty())
      name = object->metaObject()->className() +
             std::to_string(object->parent()->children().indexOf(object));
    path = "/" + name + path;
  }
  return path;
}

// Every caption, label, button, title, tab and tip that the window and its dialogs show.
std::map<std::string, QString> ShownTexts(QWidget& window) {
  std::map<std::string, QString> texts;
  QList<QObject*> objects = window.findChildren<QObject*>();
  objects.prepend(&window);
  for (const QObject* object : objects) {
    auto add = [&](const char* what, const QString& text) {
      if (!text.trimmed().isEmpty()) texts[PathOf(object, &window) + ":" + what] = text.trimmed();
    };
    if (auto* action = qobject_cast<const QAction*>(object))
      add("text", action->text()), add("tip", action->toolTip());
    if (auto* widget = qobject_cast<const QWidget*>(object)) add("tip", widget->toolTip());
    if (auto* widget = qobject_cast<const QWidget*>(object); widget && widget->isWindow())
      add("title", widget->windowTitle());
    if (auto* label = qobject_cast<const QLabel*>(object)) add("text", label->text());
    if (auto* button = qobject_cast<const QAbstractButton*>(object)) add("text", button->text());
    if (auto* box = qobject_cast<const QGroupBox*>(object)) add("title", box->title());
    if (auto* menu = qobject_cast<const QMenu*>(object)) add("title", menu->title());
    if (auto* tabs = qobject_cast<const QTabWidget*>(object))
      for (int i = 0; i < tabs->count(); ++i) add("tab", tabs->tabText(i));
  }
  return texts;
}

void OpenTone(Tmainform& form, test::TTempDir& files) {
  test::WriteWav16(files.File("tone.wav"), 1, 8000, std::vector<int16_t>(800, 100));
  form.openfile(files.File("tone.wav"));
  ASSERT_TRUE(test::WaitUntil([&] { return !form.Document()->Busy(); }));
}

// The failures a user can meet, each showing its boxes.
const std::pair<const char*, void (*)(Tmainform&, test::TTempDir&)> kFailures[] = {
    {"OpenAPicture",
     [](Tmainform& form, test::TTempDir& files) {
       test::WriteFileBytes(files.File("picture.png"), {0x89, 'P', 'N', 'G', 0, 0, 0, 13});
       form.openfile(files.File("picture.png"));
       ASSERT_TRUE(test::WaitUntil([&] { return !form.Document()->Busy(); }));
     }},
    {"AMissingManual",
     [](Tmainform&, test::TTempDir&) {
       ShowHelp("none.html", {}, [](const QUrl&) { return true; });
     }},
    {"NumbersOutsideTheDocument",
     [](Tmainform& form, test::TTempDir& files) {
       OpenTone(form, files);
       form.Document()->Delete(-5, 3);
       form.Document()->InsertSilence(9000, 10);
       form.Document()->InsertSilence(0, -1);
       form.Document()->OnAskVorbisQuality = [] { return std::optional<int>(99); };
       form.Document()->SaveAs(files.File("tone.ogg"));
     }},
    {"AJournalThatCannotBeWritten",
     [](Tmainform& form, test::TTempDir& files) {
       OpenTone(form, files);
       TRecoveryJournal("/proc/none").Record(*form.Document());
     }},
};

// The window as a user of the language starts it, with the language stored in the settings.
class ShownTextsTest : public ::testing::TestWithParam<std::pair<const char*, int32_t>> {
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
  }
  std::unique_ptr<Tmainform> StartIn(int32_t language) {
    QSettings(QSettings::IniFormat, QSettings::UserScope, "Morvane", "Quillon")
        .setValue("Settings/lang", language);
    auto form = std::make_unique<Tmainform>();
    form->MakeDialogs();
    SetMessageBoxes(&boxes_);
    boxes_.shown.clear();
    return form;
  }
  test::TTempDir settingsDir_;
  test::TTempDir files_;
  test::TRecordingMessageBoxes boxes_;
};

TEST_P(ShownTextsTest, NoTextOfTheWindowOrItsDialogsStaysEnglish) {
  const auto [language, id] = GetParam();
  const auto english = ShownTexts(*StartIn(kDefaultLanguageId));
  const auto translated = ShownTexts(*StartIn(id));
  std::string same;
  for (const auto& [where, text] : english)
    if (translated.count(where) && translated.at(where) == text &&
        !ShownMaySameAsEnglish(text, language))
      same += "\n  " + where + " \"" + text.toStdString() + "\"";
  EXPECT_TRUE(same.empty()) << "shown in English:" << same;
}

// The key after "&" in a caption, lower case; none without one.
QChar MnemonicOf(const QString& text) {
  for (qsizetype i = text.indexOf('&'); i >= 0 && i + 1 < text.size(); i = text.indexOf('&', i + 2))
    if (text[i + 1] != '&') return text[i + 1].toLower();
  return {};
}

// Two entries of one menu on the same key: the key then only moves between them, and a command
// typed as Alt, menu key, entry key never runs.
std::string SharedMenuKeys(QWidget& window) {
  std::string shared;
  auto check = [&](const QString& where, const QList<QAction*>& actions) {
    std::map<QChar, QString> taken;
    for (const QAction* action : actions) {
      if (action->isSeparator() || !action->isVisible()) continue;
      const QChar key = MnemonicOf(action->text());
      if (key.isNull()) continue;
      if (auto [at, fresh] = taken.try_emplace(key, action->text()); !fresh)
        shared += "\n  " + where.toStdString() + ": \"" + at->second.toStdString() + "\" and \"" +
                  action->text().toStdString() + "\"";
    }
  };
  if (auto* main = qobject_cast<QMainWindow*>(&window))
    check("menu bar", main->menuBar()->actions());
  for (const QMenu* menu : window.findChildren<QMenu*>())
    check(menu->title().isEmpty() ? menu->objectName() : menu->title(), menu->actions());
  return shared;
}

TEST_P(ShownTextsTest, NoTwoEntriesOfAMenuShareTheirKey) {
  const auto [language, id] = GetParam();
  EXPECT_EQ(SharedMenuKeys(*StartIn(kDefaultLanguageId)), "") << "in English";
  EXPECT_EQ(SharedMenuKeys(*StartIn(id)), "") << "in " << language;
}

TEST_P(ShownTextsTest, NoMessageOfTheWindowStaysEnglish) {
  const auto [language, id] = GetParam();
  for (const auto& [name, provoke] : kFailures) {
    std::vector<test::TRecordingMessageBoxes::TShown> shown[2];
    for (int run = 0; run < 2; ++run) {
      auto form = StartIn(run == 0 ? kDefaultLanguageId : id);
      provoke(*form, files_);
      shown[run] = boxes_.shown;
    }
    ASSERT_FALSE(shown[0].empty()) << name;
    ASSERT_EQ(shown[1].size(), shown[0].size()) << name;
    for (size_t i = 0; i < shown[0].size(); ++i) {
      // The first line is the program's own; a path or the system's words may follow.
      auto firstLine = [](const std::string& text) { return text.substr(0, text.find('\n')); };
      EXPECT_NE(firstLine(shown[1][i].text), firstLine(shown[0][i].text))
          << name << " in " << language;
      const std::string& caption = shown[1][i].caption;
      EXPECT_TRUE(caption == "Quillon" || caption != shown[0][i].caption)
          << name << ": " << caption;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, ShownTextsTest,
                         ::testing::Values(std::make_pair("de", 1031), std::make_pair("ru", 1049)),
                         [](const auto& info) { return std::string(info.param.first); });

}  // namespace
}  // namespace quillon
