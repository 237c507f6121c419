#include "localization/constants.h"

#include <QString>
#include <algorithm>
#include <cctype>

#include "localization/builtinconstants.h"
#include "localization/bytereader.h"
#include "localization/langerrors.h"
#include "localization/langmanager.h"

namespace quillon {

namespace {

void PutWord(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(value & 0xFF);
  out.push_back(value >> 8);
}

void PutUtf16(std::vector<uint8_t>& out, const std::string& text) {
  const QString units = QString::fromStdString(text);
  if (units.size() > 0xFFFF)
    throw EVxLangError("The text \"" + text.substr(0, 40) + "...\" is too long to store");
  PutWord(out, static_cast<uint16_t>(units.size()));
  for (QChar unit : units) PutWord(out, unit.unicode());
}

}  // namespace

bool IsValidIdent(std::string_view name) {
  if (name.empty()) return false;
  auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; };
  if (!letter(name.front())) return false;
  return std::all_of(name.begin(), name.end(), [&](char c) {
    return letter(c) || std::isdigit(static_cast<unsigned char>(c));
  });
}

bool SameText(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

void TVxLang_Constants::Add(const std::string& name, const std::string& value,
                            TVxLang_TranStates states) {
  if (!IsValidIdent(name)) throw EVxLangError(InvalidConstantNameText(name));
  if (Find(name)) throw EVxLangError(DuplicateConstantNameText(name));
  items_.push_back({name, value, value, states});
}

const TMessageConstant* TVxLang_Constants::Find(std::string_view name) const {
  auto it = std::find_if(items_.begin(), items_.end(),
                         [&](const TMessageConstant& c) { return SameText(c.wsName, name); });
  return it == items_.end() ? nullptr : &*it;
}

TMessageConstant* TVxLang_Constants::Find(std::string_view name) {
  return const_cast<TMessageConstant*>(std::as_const(*this).Find(name));
}

std::string TVxLang_Constants::GetValues(std::string_view name) const {
  if (const TMessageConstant* constant = Find(name)) return constant->wsValue;
  throw EVxLangError(ConstantNotFoundText(name));
}

void TVxLang_Constants::TranslateFrom(const TVxLang_Constants* other) {
  for (TMessageConstant& constant : items_) {
    if (!other) {
      constant.wsValue = constant.wsDefValue;
    } else if (const TMessageConstant* translated = other->Find(constant.wsName)) {
      constant.wsValue = translated->wsValue;
      constant.TranStates = translated->TranStates;
    }
  }
}

void TVxLang_Constants::LoadFromStream(const std::vector<uint8_t>& bytes) {
  TByteReader reader(bytes);
  const int version = reader.Byte();
  if (version > kCurrentVersion) throw EVxLangError(StreamVersionText(version, kCurrentVersion));
  const bool autoSave = version >= 2 ? reader.Byte() != 0 : version == 1;
  const int32_t count = reader.Int32();
  TVxLang_Constants loaded;
  for (int32_t i = 0; i < count; ++i) {
    std::string name = version >= 3 ? reader.Utf16() : reader.Utf8();
    std::string value = version >= 2 ? reader.Utf16() : reader.Utf8();
    loaded.Add(name, value);
  }
  items_ = std::move(loaded.items_);
  FAutoSaveLangSource = autoSave;
}

std::vector<uint8_t> TVxLang_Constants::SaveToStream() const {
  std::vector<uint8_t> out{kCurrentVersion, static_cast<uint8_t>(FAutoSaveLangSource ? 1 : 0)};
  const auto count = static_cast<uint32_t>(items_.size());
  for (int shift = 0; shift < 32; shift += 8) out.push_back((count >> shift) & 0xFF);
  for (const TMessageConstant& constant : items_) {
    PutUtf16(out, constant.wsName);
    PutUtf16(out, constant.wsValue);
  }
  return out;
}

bool TVxLang_Constants::LoadFromResource(std::string_view resourceName) {
  const auto block = BuiltInResource(resourceName);
  if (!block) return false;
  LoadFromStream(std::vector<uint8_t>(block->begin(), block->end()));
  return true;
}

const std::vector<TMessageConstant>& DesignedConstants() {
  static const std::vector<TMessageConstant> designed = [] {
    TVxLang_Constants table;
    table.LoadFromResource(kConstantsResourceName);
    return table.Items();
  }();
  return designed;
}

std::string ConstantText(std::string_view key) {
  return LangManager().ConstantText(key);
}

std::string ConstantText(std::string_view key, std::string_view mark, const std::string& value) {
  std::string text = ConstantText(key);
  if (const size_t at = text.find(mark); at != std::string::npos)
    text.replace(at, mark.size(), value);
  return text;
}

std::string ConstantText(std::string_view key, std::initializer_list<std::string> values) {
  const std::string text = ConstantText(key);
  std::string out;
  // One pass, so that a value that holds a mark itself (a path, say) stays as it is.
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t index =
        i + 1 < text.size() ? static_cast<size_t>(text[i + 1] - '1') : values.size();
    if (text[i] == '%' && index < values.size()) {
      out += *(values.begin() + index);
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool SetConstantText(std::string_view key, const std::string& text) {
  return LangManager().SetConstantText(key, text);
}

void RestoreDesignedConstants() {
  LangManager().RestoreDesignedConstants();
}

}  // namespace quillon
