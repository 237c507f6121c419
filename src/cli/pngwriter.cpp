#include "cli/pngwriter.h"

#include <png.h>

#include <cstring>

#include "platform/error.h"
#include "platform/replacementfile.h"

namespace quillon {

void WritePng(const std::string& path, const std::vector<uint32_t>& pixels, int32_t width,
              int32_t height) {
  if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * height)
    throw Exception("The picture has no pixels to write");
  std::vector<uint8_t> rgb(pixels.size() * 3);
  for (size_t i = 0; i < pixels.size(); ++i) {
    rgb[3 * i] = static_cast<uint8_t>(pixels[i] >> 16);
    rgb[3 * i + 1] = static_cast<uint8_t>(pixels[i] >> 8);
    rgb[3 * i + 2] = static_cast<uint8_t>(pixels[i]);
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  png_alloc_size_t bytes = 0;
  // The first call measures, the second writes.
  if (!png_image_write_to_memory(&image, nullptr, &bytes, 0, rgb.data(), 0, nullptr))
    throw Exception(std::string("Cannot make the PNG: ") + image.message);
  std::vector<uint8_t> png(bytes);
  if (!png_image_write_to_memory(&image, png.data(), &bytes, 0, rgb.data(), 0, nullptr))
    throw Exception(std::string("Cannot make the PNG: ") + image.message);
  png_image_free(&image);
  WriteFileDurably(path, png.data(), bytes);
}

}  // namespace quillon
