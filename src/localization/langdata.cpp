#include "localization/langdata.h"

#include "localization/bytereader.h"
#include "localization/constants.h"
#include "localization/langerrors.h"

namespace quillon {

namespace {

// Deeper nesting than any window has means a damaged stream, not a design.
constexpr int kMaxDepth = 64;

class TWriter {
 public:
  void Byte(uint8_t value) { out.push_back(value); }
  void Int32(int32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
      out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> shift));
  }
  void Text(const std::string& text) {
    if (text.size() > 0xFFFF)
      throw EVxLangError("The name \"" + text.substr(0, 40) + "...\" is too long to store");
    out.push_back(text.size() & 0xFF);
    out.push_back(text.size() >> 8);
    out.insert(out.end(), text.begin(), text.end());
  }
  std::vector<uint8_t> out;
};

void Write(TWriter& writer, const TVxLang_PropTable& table) {
  writer.Text(table.FName);
  writer.Byte(table.props.empty() ? 0 : 1);
  if (!table.props.empty()) {
    writer.Int32(static_cast<int32_t>(table.props.size()));
    for (const TVxLang_PropTableEntry& entry : table.props) {
      writer.Int32(entry.iID);
      writer.Text(entry.wsPropName);
    }
  }
  writer.Byte(table.children.empty() ? 0 : 1);
  if (!table.children.empty()) {
    writer.Int32(static_cast<int32_t>(table.children.size()));
    for (const TVxLang_PropTable& child : table.children) Write(writer, child);
  }
}

TVxLang_PropTable Read(TByteReader& reader, int depth) {
  if (depth > kMaxDepth) throw EVxLangError("The property table nests too deeply");
  TVxLang_PropTable table;
  table.FName = reader.Utf8();
  if (reader.Byte() != 0) {
    const size_t count = reader.Count(6);
    for (size_t i = 0; i < count; ++i) {
      const int32_t id = reader.Int32();
      table.props.push_back({id, reader.Utf8()});
    }
  }
  if (reader.Byte() != 0) {
    const size_t count = reader.Count(4);
    for (size_t i = 0; i < count; ++i) table.children.push_back(Read(reader, depth + 1));
  }
  return table;
}

}  // namespace

std::vector<uint8_t> SavePropertyTable(const TVxLang_PropTable& table) {
  TWriter writer;
  Write(writer, table);
  return writer.out;
}

TVxLang_PropTable LoadPropertyTable(const std::vector<uint8_t>& bytes) {
  TByteReader reader(bytes);
  TVxLang_PropTable table = Read(reader, 0);
  if (!reader.AtEnd()) throw EVxLangError("The property table stream has data after its end");
  return table;
}

}  // namespace quillon
