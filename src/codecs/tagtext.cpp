#include "codecs/tagtext.h"

#include <algorithm>

namespace quillon {

std::string CleanTagText(const std::string& text, size_t limit, bool* cut) {
  std::string out;
  out.reserve(std::min(text.size(), limit));
  for (unsigned char c : text) {
    if (c < 0x20 && c != '\n' && c != '\t') continue;
    if (c == 0x7F) continue;
    out += static_cast<char>(c);
  }
  if (out.size() <= limit) return out;
  if (cut) *cut = true;
  size_t end = limit;
  // Back to the first byte of a character, so the cut leaves no half of one.
  while (end > 0 && (static_cast<unsigned char>(out[end]) & 0xC0) == 0x80) --end;
  out.resize(end);
  return out;
}

std::string ImageMimeTypeOf(const std::vector<uint8_t>& data) {
  auto starts = [&data](std::initializer_list<uint8_t> magic) {
    return data.size() >= magic.size() && std::equal(magic.begin(), magic.end(), data.begin());
  };
  if (starts({0xFF, 0xD8, 0xFF})) return "image/jpeg";
  if (starts({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return "image/png";
  return {};
}

}  // namespace quillon
