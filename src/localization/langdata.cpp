#include "localization/langdata.h"

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

class TReader {
 public:
  explicit TReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  uint8_t Byte() {
    Need(1);
    return bytes_[pos_++];
  }
  int32_t Int32() {
    Need(4);
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | bytes_[pos_ + i];
    pos_ += 4;
    return static_cast<int32_t>(value);
  }
  // A count of items each at least `minimumSize` bytes long, checked against the data left.
  size_t Count(size_t minimumSize) {
    const int32_t count = Int32();
    if (count < 0 || static_cast<size_t>(count) * minimumSize > bytes_.size() - pos_)
      throw EVxLangError(StreamTruncatedText());
    return static_cast<size_t>(count);
  }
  std::string Text() {
    Need(2);
    const size_t length = bytes_[pos_] | (bytes_[pos_ + 1] << 8);
    pos_ += 2;
    Need(length);
    std::string text(reinterpret_cast<const char*>(bytes_.data() + pos_), length);
    pos_ += length;
    return text;
  }
  bool AtEnd() const { return pos_ == bytes_.size(); }

 private:
  void Need(size_t count) const {
    if (bytes_.size() - pos_ < count) throw EVxLangError(StreamTruncatedText());
  }
  const std::vector<uint8_t>& bytes_;
  size_t pos_ = 0;
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

TVxLang_PropTable Read(TReader& reader, int depth) {
  if (depth > kMaxDepth) throw EVxLangError("The property table nests too deeply");
  TVxLang_PropTable table;
  table.FName = reader.Text();
  if (reader.Byte() != 0) {
    const size_t count = reader.Count(6);
    for (size_t i = 0; i < count; ++i) {
      const int32_t id = reader.Int32();
      table.props.push_back({id, reader.Text()});
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
  TReader reader(bytes);
  TVxLang_PropTable table = Read(reader, 0);
  if (!reader.AtEnd()) throw EVxLangError("The property table stream has data after its end");
  return table;
}

}  // namespace quillon
