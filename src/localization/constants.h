#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace quillon {

// Every error of the language manager, the constants and the language files.
class EVxLangError : public Exception {
 public:
  using Exception::Exception;
};

// A translator's marks on a text; carried along, never interpreted.
enum TVxLang_TranState : uint8_t { vxtsUntranslated = 1, vxtsAutotranslated = 2 };
using TVxLang_TranStates = uint8_t;

// One message constant: its key, its current text and its designed English text.
struct TMessageConstant {
  std::string wsName;
  std::string wsValue;
  std::string wsDefValue;
  TVxLang_TranStates TranStates = 0;
};

// The message constants, keyed case-insensitively, in the order they were added.
class TVxLang_Constants {
 public:
  static constexpr uint8_t kCurrentVersion = 3;

  // Throws EVxLangError for a key that is no identifier or is already present.
  void Add(const std::string& name, const std::string& value, TVxLang_TranStates states = 0);
  // The current text; throws EVxLangError for an unknown key.
  std::string GetValues(std::string_view name) const;
  const TMessageConstant* Find(std::string_view name) const;
  TMessageConstant* Find(std::string_view name);
  // Each constant found in `other` takes its text; without `other` every constant gets its
  // designed text back.
  void TranslateFrom(const TVxLang_Constants* other);
  void Clear() { items_.clear(); }

  // The binary format: versions 0 to 3 are read, version 3 is written. Loading replaces the
  // table; its texts become the designed texts.
  void LoadFromStream(const std::vector<uint8_t>& bytes);
  std::vector<uint8_t> SaveToStream() const;
  std::vector<uint8_t> AsRawString() const { return SaveToStream(); }
  // Loads a block built into the program; false when there is none of that name.
  bool LoadFromResource(std::string_view resourceName);

  const std::vector<TMessageConstant>& Items() const { return items_; }
  size_t Count() const { return items_.size(); }

  bool FAutoSaveLangSource = false;

 private:
  std::vector<TMessageConstant> items_;
};

// A key may start with a letter or "_" and go on with letters, digits and "_".
bool IsValidIdent(std::string_view name);
bool SameText(std::string_view a, std::string_view b);

// The program's constants with their designed English texts, in the program's order.
const std::vector<TMessageConstant>& DesignedConstants();

// The current text of a message constant in the interface language; keys compare
// case-insensitively. Safe from any thread. Throws EVxLangError for an unknown key.
std::string ConstantText(std::string_view key);
// The same with its first mark ("%s", "%1") replaced by value.
std::string ConstantText(std::string_view key, std::string_view mark, const std::string& value);
// The same with its marks "%1", "%2" ... replaced by the values in their order.
std::string ConstantText(std::string_view key, std::initializer_list<std::string> values);

// Replaces one constant's current text; false for an unknown key.
bool SetConstantText(std::string_view key, const std::string& text);

// Every constant gets its designed text back.
void RestoreDesignedConstants();

}  // namespace quillon
