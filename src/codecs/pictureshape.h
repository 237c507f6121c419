#pragma once

#include <cstdint>
#include <vector>

namespace quillon {

// What a FLAC picture block records of its picture: width and height in pixels, bits per pixel,
// and for a PNG with a palette the number of its colours; zeros for what the bytes do not say.
struct TPictureShape {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t depth = 0;
  uint32_t colors = 0;

  bool operator==(const TPictureShape&) const = default;
};

// Read from the picture's headers (a PNG's IHDR and PLTE, a JPEG's frame header) as metaflac
// reads them: decoding the picture to learn its size would cost its whole size in pixels.
TPictureShape PictureShapeOf(const std::vector<uint8_t>& data);

}  // namespace quillon
