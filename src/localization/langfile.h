#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "localization/constants.h"

namespace quillon {

// One translated property text of a window, addressed by its identifier.
struct TVxLang_PropTranslation {
  int32_t iID = 0;
  std::string wsValue;
  TVxLang_TranStates TranStates = 0;
};

// The translated texts of one window (or translation scope), sorted by identifier.
class TVxLang_CompTranslation {
 public:
  explicit TVxLang_CompTranslation(std::string componentName)
      : FComponentName(std::move(componentName)) {}

  // Throws EVxLangError when the identifier is already present.
  void Add(int32_t id, const std::string& text, TVxLang_TranStates states = 0);
  const TVxLang_PropTranslation* FindID(int32_t id) const;
  // The position of the identifier, or -1.
  int IndexOfID(int32_t id) const;
  const std::vector<TVxLang_PropTranslation>& Items() const { return items_; }

  std::string FComponentName;

 private:
  std::vector<TVxLang_PropTranslation> items_;
};

// A language file read into memory: its parameters, its constants and its window sections.
class TVxLang_CompTranslations {
 public:
  // With paramsOnly, reading stops at the first section. Errors in the text throw
  // EVxLangError naming the line; a file that cannot be read throws Exception.
  void Text_LoadFromFile(const std::string& path, bool paramsOnly);
  void Text_LoadFromStream(const std::vector<uint8_t>& bytes, bool paramsOnly);
  void Text_LoadFromLines(const std::vector<std::string>& lines, bool paramsOnly);

  // The section of that name, compared case-insensitively; none when absent.
  const TVxLang_CompTranslation* FindComponentName(const std::string& name) const;
  // A parameter's value ("" when absent); names compare case-insensitively.
  std::string Param(const std::string& name) const;
  // The "LANGID" parameter, 0 when missing or not a number.
  int32_t LangId() const;

  std::vector<std::pair<std::string, std::string>> FParams;
  TVxLang_Constants FConstants;
  std::vector<std::unique_ptr<TVxLang_CompTranslation>> Sections;

 private:
  TVxLang_CompTranslation& SectionNamed(const std::string& name);
  void ReadLine(const std::string& line, TVxLang_CompTranslation*& section, bool& inConstants,
                bool& beforeSections);
};

// Section names compare case-insensitively across the whole of Unicode.
bool SameSectionName(const std::string& a, const std::string& b);

// All bytes of a file; throws Exception naming the file when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& path);

}  // namespace quillon
