#include "localization/langmanager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <filesystem>
#include <mutex>
#include <utility>

#include "localization/builtinconstants.h"
#include "localization/langtext.h"
#include "localization/localetable.h"
#include "platform/config.h"

namespace quillon {

namespace fs = std::filesystem;

TVxLangManager::TVxLangManager() {
  constants_.LoadFromResource(kConstantsResourceName);
  constants_.TranslateFrom(nullptr);
}

std::string TVxLangManager::ConstantText(std::string_view key) const {
  std::shared_lock reading(lock_);
  return constants_.GetValues(key);
}

bool TVxLangManager::SetConstantText(std::string_view key, const std::string& text) {
  std::unique_lock writing(lock_);
  TMessageConstant* constant = constants_.Find(key);
  if (!constant) return false;
  constant->wsValue = text;
  return true;
}

void TVxLangManager::RestoreDesignedConstants() {
  std::unique_lock writing(lock_);
  constants_.TranslateFrom(nullptr);
}

int TVxLangManager::FindLanguageFiles(const std::string& folder, const std::string& mask,
                                      bool recurse) {
  std::unique_lock writing(lock_);
  return FindLanguageFilesLocked(folder, mask, recurse);
}

int TVxLangManager::FindLanguageFilesLocked(const std::string& folder, const std::string& mask,
                                            bool recurse) {
  std::error_code error;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    entries.push_back(*it);
  // A stable order, so that of two files with one identifier the same one always wins.
  std::sort(entries.begin(), entries.end());
  int accepted = 0;
  for (const fs::directory_entry& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (entry.is_directory(error)) {
      // Linked folders are not followed: a link to a parent would never end.
      if (recurse && !name.starts_with('.') && !entry.is_symlink(error))
        accepted += FindLanguageFilesLocked(entry.path().string(), mask, recurse);
    } else if (MatchesMask(name, mask) && RegisterLanguageFileLocked(entry.path().string())) {
      ++accepted;
    }
  }
  return accepted;
}

int TVxLangManager::FindStandardLanguageFiles() {
  int accepted = 0;
  for (const std::string& folder : LanguageFolders())
    accepted += FindLanguageFiles(folder, "*.lng", false);
  return accepted;
}

bool TVxLangManager::RegisterLanguageFile(const std::string& path) {
  std::unique_lock writing(lock_);
  return RegisterLanguageFileLocked(path);
}

bool TVxLangManager::RegisterLanguageFileLocked(const std::string& path) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return false;
  TVxLang_CompTranslations parameters;
  try {
    parameters.Text_LoadFromFile(path, true);
  } catch (const Exception& error) {
    // One bad file costs its own language only: the scan goes on and the editor starts.
    skipped_.push_back(error.what());
    return false;
  }
  const int32_t id = parameters.LangId();
  if (id == 0) return false;
  if (id == kDefaultLanguageId) return true;
  auto same = std::find_if(languages_.begin(), languages_.end(),
                           [id](const TVxLang_LangResource& r) { return r.LangId == id; });
  TVxLang_LangResource resource;
  resource.FileOrResName = path;
  resource.LangId = id;
  if (same != languages_.end())
    *same = resource;
  else
    languages_.push_back(resource);
  return true;
}

std::vector<std::string> TVxLangManager::SkippedFileErrors() {
  std::unique_lock writing(lock_);
  return std::exchange(skipped_, {});
}

int TVxLangManager::LanguageEntryCount() const {
  std::shared_lock reading(lock_);
  return static_cast<int>(languages_.size()) + 1;
}

int32_t TVxLangManager::LanguageEntryId(int index) const {
  std::shared_lock reading(lock_);
  if (index <= 0 || index > static_cast<int>(languages_.size())) return kDefaultLanguageId;
  return languages_[index - 1].LangId;
}

std::string TVxLangManager::LanguageEntryName(int index) const {
  return LanguageName(LanguageEntryId(index));
}

int32_t TVxLangManager::ActiveLanguageId() const {
  std::shared_lock reading(lock_);
  return current_;
}

std::unique_ptr<TVxLang_CompTranslations> TVxLangManager::LoadTranslation(int32_t id) const {
  if (id == kDefaultLanguageId) return nullptr;
  auto it = std::find_if(languages_.begin(), languages_.end(),
                         [id](const TVxLang_LangResource& r) { return r.LangId == id; });
  if (it == languages_.end()) return nullptr;
  auto translation = std::make_unique<TVxLang_CompTranslations>();
  translation->Text_LoadFromFile(it->FileOrResName, false);
  return translation;
}

void TVxLangManager::ActivateLanguage(int32_t id) {
  std::unique_ptr<TVxLang_CompTranslations> translation;
  std::vector<TVxLang_Translatable*> controllers;
  {
    std::unique_lock writing(lock_);
    translation = LoadTranslation(id);
    if (!translation) id = kDefaultLanguageId;
    if (id == current_) return;
    current_ = id;
    // A constant the new language leaves out gets its designed text, not the text of the
    // language chosen before.
    constants_.TranslateFrom(nullptr);
    if (translation) constants_.TranslateFrom(&translation->FConstants);
    controllers = controllers_;
  }
  // Outside the lock: changing a window's texts may run code that looks up constants, or even
  // close a window, whose controller is then skipped.
  for (TVxLang_Translatable* controller : controllers) {
    if (!IsRegistered(controller)) continue;
    controller->ApplyTranslation(
        translation ? FindControllerSection(*translation, controller->ActualSectionName())
                    : nullptr);
  }
}

bool TVxLangManager::IsRegistered(TVxLang_Translatable* controller) const {
  std::shared_lock reading(lock_);
  return std::find(controllers_.begin(), controllers_.end(), controller) != controllers_.end();
}

void TVxLangManager::RegisterController(TVxLang_Translatable* controller) {
  std::unique_lock writing(lock_);
  if (std::find(controllers_.begin(), controllers_.end(), controller) == controllers_.end())
    controllers_.push_back(controller);
}

void TVxLangManager::UnregisterController(TVxLang_Translatable* controller) {
  std::unique_lock writing(lock_);
  std::erase(controllers_, controller);
}

void TVxLangManager::ApplyCurrentLanguage(TVxLang_Translatable& controller) {
  std::unique_ptr<TVxLang_CompTranslations> translation;
  {
    std::shared_lock reading(lock_);
    if (current_ == kDefaultLanguageId) return;
    translation = LoadTranslation(current_);
  }
  if (translation)
    controller.ApplyTranslation(
        FindControllerSection(*translation, controller.ActualSectionName()));
}

int32_t WantedLanguageId(int32_t storedLanguage) {
  return storedLanguage == kNotSet ? SystemLanguageId() : storedLanguage;
}

TVxLangManager& LangManager() {
  static TVxLangManager manager;
  return manager;
}

const TVxLang_CompTranslation* FindControllerSection(const TVxLang_CompTranslations& translation,
                                                     const std::string& sectionName) {
  std::string name = sectionName;
  if (const auto* section = translation.FindComponentName(name)) return section;
  const size_t underscore = name.rfind('_');
  if (underscore != std::string::npos && underscore + 1 < name.size() &&
      std::all_of(name.begin() + underscore + 1, name.end(),
                  [](char c) { return c >= '0' && c <= '9'; })) {
    name.resize(underscore);
    if (const auto* section = translation.FindComponentName(name)) return section;
  }
  for (size_t cut = name.rfind('_'); cut != std::string::npos; cut = name.rfind('_')) {
    name.resize(cut);
    if (const auto* section = translation.FindComponentName(name)) return section;
  }
  return nullptr;
}

std::vector<std::string> LanguageFolders() {
  QString programFolder;
  if (QCoreApplication::instance()) {
    programFolder = QCoreApplication::applicationDirPath();
  } else {
    std::error_code error;
    programFolder =
        QString::fromStdString(fs::read_symlink("/proc/self/exe", error).parent_path().string());
  }
  std::vector<std::string> folders{programFolder.toStdString()};
  const QString installed = QDir::cleanPath(programFolder + "/../share/quillon/lang");
  folders.push_back(installed.toStdString());
  const QString user = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (!user.isEmpty()) folders.push_back((user + "/lang").toStdString());
  return folders;
}

}  // namespace quillon
