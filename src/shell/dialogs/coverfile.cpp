#include "shell/dialogs/coverfile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "localization/constants.h"

namespace quillon {

namespace {

constexpr std::array<uint8_t, 3> kJpegStart = {0xFF, 0xD8, 0xFF};
constexpr std::array<uint8_t, 8> kPngStart = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

template <size_t N>
bool StartsWith(std::span<const uint8_t> data, const std::array<uint8_t, N>& start) {
  return data.size() >= N && std::equal(start.begin(), start.end(), data.begin());
}

TCoverFile Refused(const char* key, const std::string& path, const std::string& reason = {}) {
  std::string text = ConstantText(key) + "\n" + path;
  if (!reason.empty()) text += "\n" + reason;
  return {std::nullopt, text};
}

}  // namespace

std::string PictureMimeType(std::span<const uint8_t> data) {
  if (StartsWith(data, kJpegStart)) return "image/jpeg";
  if (StartsWith(data, kPngStart)) return "image/png";
  return {};
}

TThumbnail CoverThumbnail(std::span<const uint8_t> data, int edge) {
  QByteArray raw = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                           static_cast<qsizetype>(data.size()));
  QBuffer buffer(&raw);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  TThumbnail thumbnail{QImage(), reader.size()};
  // Scaled while decoding, so that a large picture is never held whole.
  if (thumbnail.original.isValid() &&
      (thumbnail.original.width() > edge || thumbnail.original.height() > edge))
    reader.setScaledSize(thumbnail.original.scaled(edge, edge, Qt::KeepAspectRatio));
  thumbnail.image = reader.read();
  return thumbnail;
}

TCoverFile ReadCoverFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error))
    return Refused("coverunreadable", path, error ? error.message() : std::strerror(ENOENT));
  const uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return Refused("coverunreadable", path, error.message());
  // Measured before reading, so that a huge file is never loaded.
  if (size > kMaxCoverBytes) return Refused("covertoolarge", path);
  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> data(static_cast<size_t>(size));
  if (!file.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(size)))
    return Refused("coverunreadable", path, std::strerror(errno));
  const std::string mimeType = PictureMimeType(data);
  // The content decides, and it must decode: a renamed text file or a cut-off picture is refused.
  if (mimeType.empty() || CoverThumbnail(data, 64).image.isNull())
    return Refused("covernotpicture", path);
  return {TCoverPicture{mimeType, {}, std::move(data)}, {}};
}

}  // namespace quillon
