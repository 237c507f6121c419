#include "localization/langmanager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "localization/localetable.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Remembers the sections a window was given.
class TRecordingWindow : public TVxLang_Translatable {
 public:
  explicit TRecordingWindow(std::string name) : name_(std::move(name)) {}
  std::string ActualSectionName() const override { return name_; }
  void ApplyTranslation(const TVxLang_CompTranslation* section) override {
    ++calls;
    caption = section && section->FindID(1) ? section->FindID(1)->wsValue : "designed";
  }
  int calls = 0;
  std::string caption;

 private:
  std::string name_;
};

class LangManagerTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = dir_.File(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteText(path, text);
    return path;
  }
  test::TTempDir dir_;
  TVxLangManager manager_;
};

TEST_F(LangManagerTest, ScanCountsTheDefaultLanguageButDoesNotListIt) {
  Write("english.lng", "LANGID=1033\n");
  Write("german.lng", "LANGID=1031\n[$CONSTANTS]\nformatstring=Format:\n");
  Write("noid.lng", "Name=none\n");
  Write("readme.txt", "LANGID=1036\n");
  EXPECT_EQ(manager_.FindLanguageFiles(dir_.Path(), "*.lng", false), 2);
  ASSERT_EQ(manager_.LanguageEntryCount(), 2);
  EXPECT_EQ(manager_.LanguageEntryId(0), 1033);
  EXPECT_EQ(manager_.LanguageEntryName(0), "English");
  EXPECT_EQ(manager_.LanguageEntryId(1), 1031);
  EXPECT_EQ(manager_.LanguageEntryName(1), "German");
  EXPECT_FALSE(manager_.RegisterLanguageFile(dir_.File("missing.lng")));
}

TEST_F(LangManagerTest, TheFileScannedLastWinsForOneIdentifier) {
  Write("a.lng", "LANGID=1049\n[$CONSTANTS]\nformatstring=first\n");
  Write("b.lng", "LANGID=1049\n[$CONSTANTS]\nformatstring=second\n");
  EXPECT_EQ(manager_.FindLanguageFiles(dir_.Path(), "*.lng", false), 2);
  ASSERT_EQ(manager_.LanguageEntryCount(), 2);
  EXPECT_EQ(manager_.LanguageEntryName(1), "Russian");
  manager_.ActivateLanguage(1049);
  EXPECT_EQ(manager_.ConstantText("formatstring"), "second");
}

TEST_F(LangManagerTest, RecursionSkipsHiddenFolders) {
  Write("sub/fr.lng", "LANGID=1036\n");
  Write(".hidden/es.lng", "LANGID=3082\n");
  std::filesystem::create_directory_symlink(dir_.Path(), dir_.File("sub/loop"));
  EXPECT_EQ(manager_.FindLanguageFiles(dir_.Path(), "*.lng", false), 0);
  EXPECT_EQ(manager_.FindLanguageFiles(dir_.Path(), "*.lng", true), 1);
  EXPECT_EQ(manager_.LanguageEntryId(1), 1036);
}

TEST_F(LangManagerTest, SwitchingLanguagesTranslatesConstantsAndWindows) {
  Write("de.lng", "LANGID=1031\n[$CONSTANTS]\nformatstring=Dateiformat:\n[mainform]\n1=Editor\n");
  Write("fr.lng", "LANGID=1036\n[$CONSTANTS]\ndurationstring=Durée :\n");
  manager_.FindLanguageFiles(dir_.Path(), "*.lng", false);
  TRecordingWindow main("mainform");
  manager_.RegisterController(&main);

  manager_.ActivateLanguage(1031);
  EXPECT_EQ(manager_.ActiveLanguageId(), 1031);
  EXPECT_EQ(manager_.ConstantText("formatstring"), "Dateiformat:");
  EXPECT_EQ(main.caption, "Editor");

  // A language that leaves a constant out shows its designed text, not the previous language's.
  manager_.ActivateLanguage(1036);
  EXPECT_EQ(manager_.ConstantText("formatstring"), "Format:");
  EXPECT_EQ(manager_.ConstantText("durationstring"), "Durée :");
  EXPECT_EQ(main.caption, "designed");

  manager_.ActivateLanguage(1033);
  EXPECT_EQ(manager_.ConstantText("durationstring"), "Duration:");
  EXPECT_EQ(main.calls, 3);

  // The current language again, or one without a file, changes nothing.
  manager_.ActivateLanguage(4242);
  EXPECT_EQ(manager_.ActiveLanguageId(), 1033);
  EXPECT_EQ(main.calls, 3);
  manager_.UnregisterController(&main);
  manager_.ActivateLanguage(1031);
  EXPECT_EQ(main.calls, 3);
}

TEST_F(LangManagerTest, ABrokenFileChangesNothing) {
  Write("de.lng", "LANGID=1031\n[$CONSTANTS]\nformatstring=Format:\n");
  const std::string path = Write("ru.lng", "LANGID=1049\n[$CONSTANTS]\nformatstring=Формат:\n");
  manager_.FindLanguageFiles(dir_.Path(), "*.lng", false);
  manager_.ActivateLanguage(1049);
  WriteText(path, "LANGID=1049\n[mainform]\n1=a\n1=b\n");
  manager_.ActivateLanguage(1033);
  try {
    manager_.ActivateLanguage(1049);
    FAIL();
  } catch (const EVxLangError& error) {
    EXPECT_NE(std::string(error.what()).find("Line 3: Duplicate"), std::string::npos);
  }
  EXPECT_EQ(manager_.ActiveLanguageId(), 1033);
  EXPECT_EQ(manager_.ConstantText("formatstring"), "Format:");
}

TEST_F(LangManagerTest, SectionLookupDropsNumberSuffixesAndCutsAtUnderscores) {
  TVxLang_CompTranslations translation;
  translation.Text_LoadFromLines({"[MainForm]", "1=a", "[Frame]", "1=b"}, false);
  EXPECT_EQ(FindControllerSection(translation, "mainform")->FComponentName, "MainForm");
  EXPECT_EQ(FindControllerSection(translation, "mainform_12")->FComponentName, "MainForm");
  EXPECT_EQ(FindControllerSection(translation, "Frame_Inner_Part")->FComponentName, "Frame");
  EXPECT_EQ(FindControllerSection(translation, "mainform_")->FComponentName, "MainForm");
  EXPECT_EQ(FindControllerSection(translation, "Other_Frame"), nullptr);
  EXPECT_EQ(FindControllerSection(translation, "settingsForm"), nullptr);
}

TEST_F(LangManagerTest, ConstantsAreReadSafelyWhileTheLanguageChanges) {
  Write("de.lng", "LANGID=1031\n[$CONSTANTS]\nformatstring=Dateiformat:\n");
  manager_.FindLanguageFiles(dir_.Path(), "*.lng", false);
  std::atomic<bool> stop = false;
  std::atomic<int> wrong = 0;
  std::thread reader([&] {
    while (!stop) {
      const std::string text = manager_.ConstantText("formatstring");
      if (text != "Format:" && text != "Dateiformat:") ++wrong;
    }
  });
  for (int i = 0; i < 50; ++i) manager_.ActivateLanguage(i % 2 ? 1033 : 1031);
  stop = true;
  reader.join();
  EXPECT_EQ(wrong, 0);
}

TEST_F(LangManagerTest, AHugeFileIsRefusedWithoutBeingRead) {
  const std::string path = dir_.File("huge.lng");
  WriteText(path, "LANGID=1031\n");
  std::filesystem::resize_file(path, 1LL << 30);
  EXPECT_FALSE(manager_.RegisterLanguageFile(path));
  EXPECT_EQ(manager_.LanguageEntryCount(), 1);
}

TEST_F(LangManagerTest, AFileTheScanCannotReadCostsOnlyItsOwnLanguage) {
  Write("a-huge.lng", "LANGID=1036\n");
  std::filesystem::resize_file(dir_.File("a-huge.lng"), (16 << 20) + 1);
  std::filesystem::create_directories(dir_.File("b-folder.lng"));
  Write("c-broken.lng", std::string("\xFF\xFE\x41", 3));
  Write("d-badline.lng", "LANGID=1040\n[Form]\n1=a\n1=b\n");
  Write("e-unreadable.lng", "LANGID=1034\n");
  std::filesystem::permissions(dir_.File("e-unreadable.lng"), std::filesystem::perms::none);
  Write("z-german.lng", "LANGID=1031\n");
  EXPECT_NO_THROW(manager_.FindLanguageFiles(dir_.Path(), "*.lng", false));
  std::vector<int32_t> listed;
  for (int i = 0; i < manager_.LanguageEntryCount(); ++i)
    listed.push_back(manager_.LanguageEntryId(i));
  EXPECT_NE(std::find(listed.begin(), listed.end(), 1031), listed.end());
  EXPECT_EQ(std::find(listed.begin(), listed.end(), 1036), listed.end());
  // The file that could not be read is named once (broken contents show only when the language
  // is chosen).
  const std::vector<std::string> skipped = manager_.SkippedFileErrors();
  EXPECT_EQ(std::count_if(skipped.begin(), skipped.end(),
                          [](const std::string& e) { return e.find("a-huge.lng") != e.npos; }),
            1);
  EXPECT_TRUE(manager_.SkippedFileErrors().empty());
}

TEST(LanguageFoldersTest, ProgramFolderThenInstalledThenUserData) {
  const auto folders = LanguageFolders();
  ASSERT_EQ(folders.size(), 3u);
  EXPECT_TRUE(folders[1].ends_with("/share/quillon/lang"));
  EXPECT_TRUE(folders[2].ends_with("/lang"));
  EXPECT_EQ(WantedLanguageId(1049), 1049);
  EXPECT_EQ(WantedLanguageId(-1), SystemLanguageId());
}

TEST_F(LangManagerTest, ShippedTranslationsTranslateEveryConstant) {
  EXPECT_EQ(manager_.FindLanguageFiles(QUILLON_LANG_DIR, "*.lng", false), 2);
  for (int32_t id : {1031, 1049}) {
    SCOPED_TRACE(id);
    TVxLang_CompTranslations file;
    file.Text_LoadFromFile(std::string(QUILLON_LANG_DIR) + (id == 1031 ? "/de.lng" : "/ru.lng"),
                           false);
    EXPECT_EQ(file.LangId(), id);
    for (const TMessageConstant& constant : DesignedConstants()) {
      const TMessageConstant* translated = file.FConstants.Find(constant.wsName);
      ASSERT_NE(translated, nullptr) << constant.wsName;
      EXPECT_FALSE(translated->wsValue.empty());
    }
    EXPECT_EQ(file.FConstants.Count(), DesignedConstants().size());
  }
  manager_.ActivateLanguage(1049);
  EXPECT_EQ(manager_.ConstantText("savechanges"), "Сохранить изменения?");
}

}  // namespace
}  // namespace quillon
