#include "codecs/pictureshape.h"

#include <cstring>
#include <iterator>

namespace quillon {

namespace {

uint32_t BigEndian16(const uint8_t* p) {
  return uint32_t{p[0]} << 8 | p[1];
}

uint32_t BigEndian32(const uint8_t* p) {
  return BigEndian16(p) << 16 | BigEndian16(p + 2);
}

// PNG samples a pixel: grey, -, RGB, palette index, grey and alpha, -, RGBA.
constexpr uint32_t kPngSamples[] = {1, 0, 3, 0, 2, 0, 4};
constexpr uint8_t kPngPalette = 3;

TPictureShape PngShape(const uint8_t* data, size_t size) {
  TPictureShape shape;
  bool palette = false;
  // Chunks: length, name, content, CRC.
  for (size_t at = 8; at + 12 <= size;) {
    const uint64_t length = BigEndian32(data + at);
    const uint8_t* name = data + at + 4;
    if (at + 12 + length > size) break;
    const uint8_t* content = name + 4;
    if (std::memcmp(name, "IHDR", 4) == 0 && length >= 13) {
      shape.width = BigEndian32(content);
      shape.height = BigEndian32(content + 4);
      const uint8_t bits = content[8], type = content[9];
      palette = type == kPngPalette;
      // A palette's entries are 8-bit RGB, whatever the bits of the index.
      if (palette)
        shape.depth = 24;
      else if (type < std::size(kPngSamples))
        shape.depth = bits * kPngSamples[type];
      if (!palette) return shape;
    } else if (palette && std::memcmp(name, "PLTE", 4) == 0) {
      shape.colors = static_cast<uint32_t>(length / 3);
      return shape;
    }
    at += 12 + length;
  }
  return shape;
}

// The first start-of-frame segment: precision, height, width, components. Markers C4 (Huffman
// tables), C8 and CC (arithmetic coding) share its range but are none.
bool IsStartOfFrame(uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Markers that stand alone, without a length: restarts, start and end of image, TEM.
bool StandsAlone(uint8_t marker) {
  return (marker >= 0xD0 && marker <= 0xD9) || marker == 0x01;
}

TPictureShape JpegShape(const uint8_t* data, size_t size) {
  TPictureShape shape;
  for (size_t at = 2; at + 4 <= size;) {
    if (data[at] != 0xFF) break;
    const uint8_t marker = data[at + 1];
    // Fill bytes before a marker.
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    if (StandsAlone(marker)) {
      at += 2;
      continue;
    }
    const uint32_t length = BigEndian16(data + at + 2);
    if (length < 2 || at + 2 + length > size) break;
    if (IsStartOfFrame(marker) && length >= 8) {
      const uint8_t* frame = data + at + 4;
      shape.height = BigEndian16(frame + 1);
      shape.width = BigEndian16(frame + 3);
      shape.depth = uint32_t{frame[0]} * frame[5];
      return shape;
    }
    // The entropy-coded data after the start of scan comes after every frame header.
    if (marker == 0xDA) break;
    at += 2 + length;
  }
  return shape;
}

}  // namespace

TPictureShape PictureShapeOf(const std::vector<uint8_t>& data) {
  static constexpr uint8_t kPng[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (data.size() >= sizeof(kPng) && std::memcmp(data.data(), kPng, sizeof(kPng)) == 0)
    return PngShape(data.data(), data.size());
  if (data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
    return JpegShape(data.data(), data.size());
  return {};
}

}  // namespace quillon
