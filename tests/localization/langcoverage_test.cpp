#include <gtest/gtest.h>

#include <QSettings>
#include <QWidget>
#include <set>
#include <string>

#include "localization/constants.h"
#include "localization/langfile.h"
#include "localization/langmanager.h"
#include "localization/ui/langcontroller.h"
#include "shell/main.h"
#include "support/fixtures.h"

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

}  // namespace
}  // namespace quillon
