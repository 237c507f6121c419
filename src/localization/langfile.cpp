#include "localization/langfile.h"

#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "localization/langerrors.h"
#include "localization/langtext.h"

namespace quillon {

namespace {
constexpr std::string_view kConstantsSection = "$CONSTANTS";
constexpr std::streamoff kMaxLanguageFileSize = 16 << 20;
}  // namespace

void TVxLang_CompTranslation::Add(int32_t id, const std::string& text, TVxLang_TranStates states) {
  auto it =
      std::lower_bound(items_.begin(), items_.end(), id,
                       [](const TVxLang_PropTranslation& p, int32_t key) { return p.iID < key; });
  if (it != items_.end() && it->iID == id) throw EVxLangError(DuplicateTranslationIdText(id));
  items_.insert(it, {id, text, states});
}

int TVxLang_CompTranslation::IndexOfID(int32_t id) const {
  auto it =
      std::lower_bound(items_.begin(), items_.end(), id,
                       [](const TVxLang_PropTranslation& p, int32_t key) { return p.iID < key; });
  return it != items_.end() && it->iID == id ? static_cast<int>(it - items_.begin()) : -1;
}

const TVxLang_PropTranslation* TVxLang_CompTranslation::FindID(int32_t id) const {
  const int index = IndexOfID(id);
  return index < 0 ? nullptr : &items_[index];
}

bool SameSectionName(const std::string& a, const std::string& b) {
  return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) throw Exception("Cannot open file \"" + path + "\": " + std::strerror(errno));
  // A language file is a few kilobytes; anything this large is not one and is not read whole.
  if (file.tellg() > kMaxLanguageFileSize)
    throw EVxLangError("The file \"" + path + "\" is too large to be a language file");
  file.seekg(0);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
  if (file.bad()) throw Exception("Cannot read file \"" + path + "\": " + std::strerror(errno));
  return bytes;
}

void TVxLang_CompTranslations::Text_LoadFromFile(const std::string& path, bool paramsOnly) {
  Text_LoadFromStream(ReadFileBytes(path), paramsOnly);
}

void TVxLang_CompTranslations::Text_LoadFromStream(const std::vector<uint8_t>& bytes,
                                                   bool paramsOnly) {
  Text_LoadFromLines(DecodeLanguageText(bytes), paramsOnly);
}

void TVxLang_CompTranslations::Text_LoadFromLines(const std::vector<std::string>& lines,
                                                  bool paramsOnly) {
  TVxLang_CompTranslation* section = nullptr;
  bool inConstants = false;
  bool beforeSections = true;
  for (size_t index = 0; index < lines.size(); ++index) {
    if (paramsOnly && Trimmed(lines[index]).starts_with('[')) break;
    try {
      ReadLine(lines[index], section, inConstants, beforeSections);
    } catch (const EVxLangError& error) {
      throw EVxLangError(LoadingFailedText(static_cast<int>(index), error.what()));
    }
  }
}

void TVxLang_CompTranslations::ReadLine(const std::string& rawLine,
                                        TVxLang_CompTranslation*& section, bool& inConstants,
                                        bool& beforeSections) {
  const std::string_view line = Trimmed(rawLine);
  if (line.empty() || line.starts_with(';')) return;
  if (line.starts_with('[')) {
    if (line.size() <= 2 || !line.ends_with(']')) return;
    const std::string name(Trimmed(line.substr(1, line.size() - 2)));
    beforeSections = false;
    inConstants = SameText(name, kConstantsSection);
    section = inConstants ? nullptr : &SectionNamed(name);
    return;
  }
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return;
  const std::string name(Trimmed(line.substr(0, equals)));
  const std::string value(Trimmed(line.substr(equals + 1)));
  if (name.empty()) return;
  if (beforeSections) {
    FParams.emplace_back(name, value);
  } else if (inConstants) {
    FConstants.Add(name, DecodeEscapes(value));
  } else if (const int32_t id = ToIntDef(name, 0); id > 0) {
    section->Add(id, DecodeEscapes(value));
  }
}

TVxLang_CompTranslation& TVxLang_CompTranslations::SectionNamed(const std::string& name) {
  for (auto& section : Sections)
    if (SameSectionName(section->FComponentName, name)) return *section;
  Sections.push_back(std::make_unique<TVxLang_CompTranslation>(name));
  return *Sections.back();
}

const TVxLang_CompTranslation* TVxLang_CompTranslations::FindComponentName(
    const std::string& name) const {
  for (const auto& section : Sections)
    if (SameSectionName(section->FComponentName, name)) return section.get();
  return nullptr;
}

std::string TVxLang_CompTranslations::Param(const std::string& name) const {
  for (const auto& [key, value] : FParams)
    if (SameText(key, name)) return value;
  return {};
}

int32_t TVxLang_CompTranslations::LangId() const {
  return ToIntDef(Param("LANGID"), 0);
}

}  // namespace quillon
