#include "codecs/encodersettings.h"

#include <cctype>

namespace quillon {

std::string LowerExtension(const std::string& path) {
  size_t dot = path.rfind('.');
  size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

std::optional<TSaveFormat> SaveFormatOf(const std::string& path) {
  const std::string extension = LowerExtension(path);
  if (extension == ".wav") return TSaveFormat::wav;
  if (extension == ".mp3") return TSaveFormat::mp3;
  if (extension == ".flac") return TSaveFormat::flac;
  if (extension == ".ogg") return TSaveFormat::vorbis;
  if (extension == ".opus") return TSaveFormat::opus;
  return std::nullopt;
}

}  // namespace quillon
