#include "codecs/markerfile.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "codecs/cuesheet.h"
#include "codecs/labelfile.h"
#include "localization/constants.h"
#include "platform/error.h"

namespace quillon {

namespace {

// Far above the label file of any recording; a bigger file is not one.
constexpr uintmax_t kMaxMarkerFileBytes = uintmax_t{64} << 20;

std::string WithMarks(std::string text, const std::string& first, const std::string& second) {
  for (const auto& [mark, value] : {std::pair{"%1", &first}, std::pair{"%2", &second}})
    if (const size_t at = text.find(mark); at != std::string::npos) text.replace(at, 2, *value);
  return text;
}

std::string ShownName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

}  // namespace

bool IsCueSheetName(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".cue";
}

std::string MarkerLineNotice(size_t line, const std::string& shownName, bool pastEnd) {
  return WithMarks(ConstantText(pastEnd ? "markerlinepastend" : "markerlineskipped"),
                   std::to_string(line), shownName);
}

std::string TooManyMarkersNotice(const std::string& shownName) {
  return WithMarks(ConstantText("markerstoomany"), std::to_string(kMaxMarkers), shownName);
}

TMarkerReading ReadMarkerFile(const std::string& path, uint32_t sampleRate, int64_t frameCount) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (error || size > kMaxMarkerFileBytes || !in || (size > 0 && !(text << in.rdbuf())))
    return {{}, {WithMarks(ConstantText("markerfileunreadable"), path, {})}, false};
  const std::string shown = ShownName(path);
  return IsCueSheetName(path) ? ParseCueSheet(text.str(), sampleRate, frameCount, shown)
                              : ParseLabelText(text.str(), sampleRate, frameCount, shown);
}

void WriteMarkerFile(const std::string& path, const TMarkerList& list, uint32_t sampleRate,
                     const std::string& audioName, const TTags& tags) {
  const std::string text = IsCueSheetName(path) ? FormatCueSheet(list, sampleRate, audioName, tags)
                                                : FormatLabelText(list, sampleRate);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out || !out.write(text.data(), static_cast<std::streamsize>(text.size())) || !out.flush())
    throw Exception(WithMarks(ConstantText("markerfilewriteerror"), path, {}));
}

}  // namespace quillon
