#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

// Reads the little-endian binary streams of the constants and the property tables. Every read
// is bounds-checked; a stream that ends early raises EVxLangError with the truncation text.
class TByteReader {
 public:
  explicit TByteReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  uint8_t Byte();
  uint16_t Word();
  int32_t Int32();
  // A count of items each at least minimumSize bytes long, checked against the data left.
  size_t Count(size_t minimumSize);
  // Texts with a 16-bit length first: UTF-8 bytes, or UTF-16 units.
  std::string Utf8();
  std::string Utf16();
  bool AtEnd() const { return pos_ == bytes_.size(); }

 private:
  void Need(size_t count) const;

  const std::vector<uint8_t>& bytes_;
  size_t pos_ = 0;
};

}  // namespace quillon
