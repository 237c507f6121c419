#include "localization/bytereader.h"

#include <QString>

#include "localization/constants.h"
#include "localization/langerrors.h"

namespace quillon {

void TByteReader::Need(size_t count) const {
  if (bytes_.size() - pos_ < count) throw EVxLangError(StreamTruncatedText());
}

uint8_t TByteReader::Byte() {
  Need(1);
  return bytes_[pos_++];
}

uint16_t TByteReader::Word() {
  Need(2);
  const uint16_t value = bytes_[pos_] | (bytes_[pos_ + 1] << 8);
  pos_ += 2;
  return value;
}

int32_t TByteReader::Int32() {
  Need(4);
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | bytes_[pos_ + i];
  pos_ += 4;
  return static_cast<int32_t>(value);
}

size_t TByteReader::Count(size_t minimumSize) {
  const int32_t count = Int32();
  if (count < 0 || static_cast<size_t>(count) * minimumSize > bytes_.size() - pos_)
    throw EVxLangError(StreamTruncatedText());
  return static_cast<size_t>(count);
}

std::string TByteReader::Utf8() {
  const size_t length = Word();
  Need(length);
  std::string text(reinterpret_cast<const char*>(bytes_.data() + pos_), length);
  pos_ += length;
  return text;
}

std::string TByteReader::Utf16() {
  const size_t length = Word();
  Need(length * 2);
  std::u16string units(length, u'\0');
  for (size_t i = 0; i < length; ++i)
    units[i] = bytes_[pos_ + 2 * i] | (bytes_[pos_ + 2 * i + 1] << 8);
  pos_ += length * 2;
  return QString::fromUtf16(units.data(), static_cast<qsizetype>(length)).toStdString();
}

}  // namespace quillon
