#include "document/splitplan.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <string_view>

namespace quillon {

std::vector<TSplitPart> PlanSplit(const TMarkerList& list, int64_t frameCount,
                                  bool keepBeforeFirst) {
  return PlanSplit(list, frameCount, TSplitBy::regionsElseMarkers, keepBeforeFirst);
}

std::vector<TSplitPart> PlanSplit(const TMarkerList& list, int64_t frameCount, TSplitBy by,
                                  bool keepBeforeFirst) {
  std::vector<TSplitPart> parts;
  const bool byRegions =
      by == TSplitBy::regions || (by == TSplitBy::regionsElseMarkers && !list.regions.empty());
  if (byRegions) {
    for (const TRegion& region : list.regions)
      parts.push_back({region.start, std::min(region.end, frameCount), region.name});
    std::erase_if(parts, [](const TSplitPart& part) { return part.stop <= part.start; });
    return parts;
  }
  if (list.markers.empty()) return parts;
  int64_t start = keepBeforeFirst ? 0 : list.markers.front().frame;
  std::string name;
  for (const TMarker& marker : list.markers) {
    if (marker.frame > start) {
      parts.push_back({start, marker.frame, name});
      name.clear();
    }
    start = std::max(start, marker.frame);
    // Of several markers at one place, the first with a name names the part.
    if (name.empty()) name = marker.name;
  }
  if (frameCount > start) parts.push_back({start, frameCount, name});
  return parts;
}

std::string SplitFileName(const std::string& pattern, const TSplitPart& part, size_t number,
                          size_t total, const std::string& sourceBase,
                          const std::string& extension) {
  const size_t width = std::to_string(total).size();
  std::string digits = std::to_string(number);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  std::string name;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    if (pattern[i] != '%' || std::string_view("ntms%").find(next) == std::string_view::npos) {
      name += pattern[i];
      continue;
    }
    ++i;
    if (next == 'n') name += digits;
    if (next == 't') name += std::to_string(total);
    if (next == 'm') name += part.name;
    if (next == 's') name += sourceBase;
    if (next == '%') name += '%';
  }
  for (char& c : name)
    if (c == '/' || c == '\0' || c == '\n' || c == '\r' || c == '\t') c = '_';
  // A part without a name leaves the separators of the pattern at the ends.
  const size_t first = name.find_first_not_of(" -_."), last = name.find_last_not_of(" -_");
  name = first == std::string::npos ? digits : name.substr(first, last - first + 1);
  // A file name holds at most 255 bytes: a long marker name is cut at a character's start.
  const size_t room = 240 - std::min<size_t>(extension.size(), 16);
  if (name.size() > room) {
    size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  return name + "." + extension;
}

TTags SplitTags(const TTags& tags, const TSplitPart& part, size_t number, size_t total) {
  TTags result = tags;
  result.track = std::to_string(number) + "/" + std::to_string(total);
  if (!part.name.empty()) result.title = part.name;
  return result;
}

TSplitFiles PlanSplitFiles(const TMarkerList& list, int64_t frameCount, const TTags& tags,
                           const std::string& sourcePath, const TSplitChoice& choice) {
  const std::vector<TSplitPart> parts =
      PlanSplit(list, frameCount, choice.by, choice.keepBeforeFirst);
  const std::string source = std::filesystem::path(sourcePath).stem().string();
  TSplitFiles result;
  std::set<std::string> names;
  for (size_t i = 0; i < parts.size(); ++i) {
    TSplitFile file;
    file.part = parts[i];
    file.name =
        SplitFileName(choice.pattern, parts[i], i + 1, parts.size(), source, choice.extension);
    file.path = (std::filesystem::path(choice.folder) / file.name).string();
    file.tags = SplitTags(tags, parts[i], i + 1, parts.size());
    if (!names.insert(file.name).second && result.duplicate.empty()) result.duplicate = file.name;
    result.files.push_back(std::move(file));
  }
  return result;
}

}  // namespace quillon
