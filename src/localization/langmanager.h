#pragma once

#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "localization/constants.h"
#include "localization/langfile.h"

namespace quillon {

// A window's translation controller as the manager sees it.
class TVxLang_Translatable {
 public:
  virtual ~TVxLang_Translatable() = default;
  virtual std::string ActualSectionName() const = 0;
  // Puts the section's texts into the window; none restores the designed texts.
  virtual void ApplyTranslation(const TVxLang_CompTranslation* section) = 0;
};

enum class TVxLang_LangResourceKind { vxlrkResName, vxlrkResID, vxlrkFile, vxlrkStream };

// Where one language's translation comes from. This program only adds files.
struct TVxLang_LangResource {
  TVxLang_LangResourceKind Kind = TVxLang_LangResourceKind::vxlrkFile;
  std::string Module;
  std::string FileOrResName;
  int32_t ResId = 0;
  std::vector<uint8_t> Stream;
  int32_t LangId = 0;
};

inline constexpr int32_t kDefaultLanguageId = 1033;

// The process-wide language manager: the message constants in the current language, the list
// of languages found in files, and the windows' controllers. One readers/writer lock guards it;
// constants are looked up from any thread.
class TVxLangManager {
 public:
  TVxLangManager();

  std::string ConstantText(std::string_view key) const;
  bool SetConstantText(std::string_view key, const std::string& text);
  void RestoreDesignedConstants();

  // Registers every language file in the folder matching the mask (and, with recurse, in its
  // subfolders not starting with "."); answers how many were accepted.
  int FindLanguageFiles(const std::string& folder, const std::string& mask, bool recurse);
  // Scans the places an installed editor keeps its "*.lng" files (see LanguageFolders).
  int FindStandardLanguageFiles();
  // Reads the file's parameters; false when it does not exist or has no usable "LANGID". A file
  // that cannot be read is skipped, its error kept for SkippedFileErrors.
  bool RegisterLanguageFile(const std::string& path);
  // The errors of the files skipped since the last call, oldest first; they are forgotten.
  std::vector<std::string> SkippedFileErrors();

  // Entry 0 is the default language; entry i is the i-th language found.
  int LanguageEntryCount() const;
  int32_t LanguageEntryId(int index) const;
  std::string LanguageEntryName(int index) const;
  int32_t ActiveLanguageId() const;
  int32_t DefaultLanguageId() const { return kDefaultLanguageId; }

  // Makes a language current and translates the constants and every registered window. An
  // identifier without a language file means the default language. A file that fails to read
  // throws EVxLangError and changes nothing.
  void ActivateLanguage(int32_t id);

  void RegisterController(TVxLang_Translatable* controller);
  void UnregisterController(TVxLang_Translatable* controller);
  // Translates one newly loaded window into the current language.
  void ApplyCurrentLanguage(TVxLang_Translatable& controller);

 private:
  std::unique_ptr<TVxLang_CompTranslations> LoadTranslation(int32_t id) const;
  bool RegisterLanguageFileLocked(const std::string& path);
  bool IsRegistered(TVxLang_Translatable* controller) const;
  int FindLanguageFilesLocked(const std::string& folder, const std::string& mask, bool recurse);

  mutable std::shared_mutex lock_;
  TVxLang_Constants constants_;
  std::vector<TVxLang_Translatable*> controllers_;
  std::vector<TVxLang_LangResource> languages_;
  std::vector<std::string> skipped_;
  int32_t current_ = kDefaultLanguageId;
};

// The language to start with: the stored choice, or the user's system language when none was
// ever stored (-1).
int32_t WantedLanguageId(int32_t storedLanguage);

// The process-wide manager, made on first use.
TVxLangManager& LangManager();

// The section a controller reads: its name compared case-insensitively; failing that, the name
// without a "_digits" suffix; failing that, the name cut at its last "_" again and again.
const TVxLang_CompTranslation* FindControllerSection(const TVxLang_CompTranslations& translation,
                                                     const std::string& sectionName);

// The folders scanned for language files: the program's own folder, the installed data folder
// (<prefix>/share/quillon/lang beside the program's bin folder) and the user's data folder.
std::vector<std::string> LanguageFolders();

}  // namespace quillon
