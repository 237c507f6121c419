#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "codecs/tags.h"

namespace quillon {

// Covers above this size are refused: a tag is no place for a poster.
inline constexpr uint64_t kMaxCoverBytes = 16u << 20;

// The picture type the bytes begin with: "image/jpeg", "image/png", or empty for anything else.
std::string PictureMimeType(std::span<const uint8_t> data);

// A picture made small enough to show, and the size it has.
struct TThumbnail {
  QImage image;  // null when the data does not decode
  QSize original;
};
// Decodes the picture at no more than edge × edge pixels, keeping its proportions.
TThumbnail CoverThumbnail(std::span<const uint8_t> data, int edge);

// A picture file read as a front cover, or the message that says why it cannot be one.
struct TCoverFile {
  std::optional<TCoverPicture> cover;
  std::string error;
};

// Reads a JPEG or PNG file whole. Refuses, with a message naming the file, anything that cannot
// be read, is larger than kMaxCoverBytes, is not JPEG or PNG by its content (whatever its name)
// or does not decode as a picture.
TCoverFile ReadCoverFile(const std::string& path);

}  // namespace quillon
