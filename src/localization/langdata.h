#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

// One translatable property of a component: its identifier and its property path.
struct TVxLang_PropTableEntry {
  int32_t iID = 0;
  std::string wsPropName;
  bool operator==(const TVxLang_PropTableEntry&) const = default;
};

// A window's property table as a tree of components; the root stands for the window.
struct TVxLang_PropTable {
  std::string FName;
  std::vector<TVxLang_PropTableEntry> props;
  std::vector<TVxLang_PropTable> children;
  bool operator==(const TVxLang_PropTable&) const = default;
};

// The property table stream kept with a window's design ("LangData"): per component its name,
// its property entries and its child components, little-endian, names as 16-bit byte length
// plus UTF-8.
std::vector<uint8_t> SavePropertyTable(const TVxLang_PropTable& table);
// Throws EVxLangError for a stream that ends early, nests too deep or has data left over.
TVxLang_PropTable LoadPropertyTable(const std::vector<uint8_t>& bytes);

}  // namespace quillon
