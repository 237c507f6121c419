#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QSettings>
#include <QTabWidget>
#include <QWidget>
#include <functional>
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

// Texts that rightly read the same as in English wherever they show, by their text.
constexpr TSameText kSameShownTexts[] = {
    {"Quillon", "", "the program's name"},
    {"Pause", "de", "German says \"Pause\" too"},
    {"&Samples", "de", "\"Samples\" is the German term of audio editing"},
    {"Samples", "de", "\"Samples\" is the German term of audio editing"},
    {"Format:", "de", "German says \"Format\" too"},
    {"Tags", "de", "German says \"Tags\" too"},
    {"Genre:", "de", "German says \"Genre\" too"},
    {"Bitrate:", "de", "German says \"Bitrate\" too"},
    {"System", "de", "German says \"System\" too"},
    {"Cursor", "de", "German says \"Cursor\" too"},
    {"&Genre:", "de", "German says \"Genre\" too"},
    {"&Bitrate:", "de", "German says \"Bitrate\" too"},
    {"&Bitrate (kbit/s):", "de", "German says \"Bitrate\" too"},
    {"Param Name", "", "the effect's own name replaces it before the dialog shows"},
};

bool ShownMaySameAsEnglish(const QString& text, const std::string& language) {
  for (const TSameText& same : kSameShownTexts)
    if (text == QString::fromUtf8(same.key) &&
        (*same.language == '\0' || language == same.language))
      return true;
  // A format's name, a number or a time: the same in every language.
  static const QStringList formats{"WAV",  "MP3",          "FLAC",  "Ogg Vorbis",
                                   "Opus", "MPEG Layer 3", "ID3v2", "ID3v1"};
  return formats.contains(text) || !text.contains(QRegularExpression("\\p{L}{2}"));
}

// Where an object shows in its window: the names up to the window, an unnamed object by its class
// and its place among its siblings of that class.
std::string PathOf(const QObject* object, const QObject* root) {
  std::string path;
  for (; object && object != root; object = object->parent()) {
    std::string name = object->objectName().toStdString();
    if (name.empty() && object->parent()) {
      int index = 0;
      for (const QObject* sibling : object->parent()->children()) {
        if (sibling == object) break;
        if (std::string(sibling->metaObject()->className()) == object->metaObject()->className())
          ++index;
      }
      name = std::string(object->metaObject()->className()) + "#" + std::to_string(index);
    }
    path = "/" + name + path;
  }
  return path;
}

// Every text the window and its dialogs show: captions, labels, buttons, titles, tabs and tips.
std::map<std::string, QString> ShownTexts(QWidget& window) {
  std::map<std::string, QString> texts;
  auto add = [&](const QObject* object, const char* what, const QString& text) {
    if (!text.trimmed().isEmpty()) texts[PathOf(object, &window) + ":" + what] = text.trimmed();
  };
  QList<QObject*> objects = window.findChildren<QObject*>();
  objects.prepend(&window);
  for (const QObject* object : objects) {
    if (const auto* action = qobject_cast<const QAction*>(object)) {
      add(object, "text", action->text());
      add(object, "tip", action->toolTip());
    }
    if (const auto* widget = qobject_cast<const QWidget*>(object)) {
      add(object, "tip", widget->toolTip());
      if (widget->isWindow()) add(object, "title", widget->windowTitle());
    }
    if (const auto* label = qobject_cast<const QLabel*>(object)) add(object, "text", label->text());
    if (const auto* button = qobject_cast<const QAbstractButton*>(object))
      add(object, "text", button->text());
    if (const auto* box = qobject_cast<const QGroupBox*>(object))
      add(object, "title", box->title());
    if (const auto* menu = qobject_cast<const QMenu*>(object)) add(object, "title", menu->title());
    if (const auto* edit = qobject_cast<const QLineEdit*>(object))
      add(object, "placeholder", edit->placeholderText());
    if (const auto* tabs = qobject_cast<const QTabWidget*>(object))
      for (int i = 0; i < tabs->count(); ++i)
        add(object, ("tab" + std::to_string(i)).c_str(), tabs->tabText(i));
  }
  return texts;
}

// The boxes one of the window's failures shows, each as its caption and text.
struct TFailure {
  const char* name;
  std::function<void(Tmainform& form, test::TTempDir& files)> provoke;
};

bool Settled(Tmainform& form) {
  return test::WaitUntil([&] { return !form.Document()->Busy(); });
}

void OpenTone(Tmainform& form, test::TTempDir& files) {
  const std::string path = files.File("tone.wav");
  test::WriteWav16(path, 1, 8000, std::vector<int16_t>(800, 100));
  form.openfile(path);
  ASSERT_TRUE(Settled(form));
}

const TFailure kFailures[] = {
    {"OpenAPicture",
     [](Tmainform& form, test::TTempDir& files) {
       test::WriteFileBytes(files.File("picture.png"), {0x89, 'P', 'N', 'G', 0, 0, 0, 13});
       form.openfile(files.File("picture.png"));
       ASSERT_TRUE(Settled(form));
     }},
    {"OpenAMissingFile",
     [](Tmainform& form, test::TTempDir& files) {
       form.openfile(files.File("gone.wav"));
       ASSERT_TRUE(Settled(form));
     }},
    {"AMissingManual",
     [](Tmainform&, test::TTempDir&) {
       ShowHelp("no-such-manual.html", {}, [](const QUrl&) { return true; });
     }},
    {"ARangeOutsideTheDocument",
     [](Tmainform& form, test::TTempDir& files) {
       OpenTone(form, files);
       form.Document()->Delete(-5, 3);
       form.Document()->InsertSilence(9000, 10);
       form.Document()->InsertSilence(0, -1);
     }},
    {"ASettingOutsideItsRange",
     [](Tmainform& form, test::TTempDir& files) {
       OpenTone(form, files);
       form.Document()->OnAskVorbisQuality = [] { return std::optional<int>(99); };
       form.Document()->SaveAs(files.File("tone.ogg"));
     }},
    {"AJournalThatCannotBeWritten",
     [](Tmainform& form, test::TTempDir& files) {
       OpenTone(form, files);
       TRecoveryJournal journal("/proc/quillon-no-such-folder");
       journal.Record(*form.Document());
     }},
};

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
  // A window as a user of the language starts it: the language stored in the settings.
  std::unique_ptr<Tmainform> StartIn(int32_t language) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, "Morvane", "Quillon");
    store.setValue("Settings/lang", language);
    store.sync();
    auto form = std::make_unique<Tmainform>();
    form->MakeDialogs();
    SetMessageBoxes(&boxes_);
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
  std::set<std::string> same;
  for (const auto& [where, text] : english) {
    auto found = translated.find(where);
    if (found != translated.end() && found->second == text &&
        !ShownMaySameAsEnglish(text, language))
      same.insert(where + " \"" + text.toStdString() + "\"");
  }
  std::string list;
  for (const std::string& entry : same) list += "\n  " + entry;
  EXPECT_TRUE(same.empty()) << "shown in English:" << list;
}

TEST_P(ShownTextsTest, NoMessageOfTheWindowStaysEnglish) {
  const auto [language, id] = GetParam();
  for (const TFailure& failure : kFailures) {
    std::vector<test::TRecordingMessageBoxes::TShown> shown[2];
    for (int run = 0; run < 2; ++run) {
      auto form = StartIn(run == 0 ? kDefaultLanguageId : id);
      boxes_.shown.clear();
      failure.provoke(*form, files_);
      shown[run] = boxes_.shown;
    }
    ASSERT_FALSE(shown[0].empty()) << failure.name << " showed nothing";
    ASSERT_EQ(shown[1].size(), shown[0].size()) << failure.name;
    for (size_t i = 0; i < shown[0].size(); ++i) {
      // The first line is the program's own; what follows may be a path or the system's words.
      const QString english = QString::fromStdString(shown[0][i].text).section('\n', 0, 0);
      const QString text = QString::fromStdString(shown[1][i].text).section('\n', 0, 0);
      EXPECT_NE(text.toStdString(), english.toStdString()) << failure.name << " in " << language;
      if (shown[0][i].caption != "Quillon") {
        EXPECT_NE(shown[1][i].caption, shown[0][i].caption) << failure.name << " in " << language;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, ShownTextsTest,
                         ::testing::Values(std::make_pair("de", 1031), std::make_pair("ru", 1049)),
                         [](const auto& info) { return std::string(info.param.first); });

}  // namespace
}  // namespace quillon
