#include "document/splitplan.h"

#include <algorithm>
#include <string_view>

namespace quillon {

std::vector<TSplitPart> PlanSplit(const TMarkerList& list, int64_t frameCount,
                                  bool keepBeforeFirst) {
  std::vector<TSplitPart> parts;
  if (!list.regions.empty()) {
    for (const TRegion& region : list.regions)
      parts.push_back({region.start, region.end, region.name});
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
  return name + "." + extension;
}

TTags SplitTags(const TTags& tags, const TSplitPart& part, size_t number, size_t total) {
  TTags result = tags;
  result.track = std::to_string(number) + "/" + std::to_string(total);
  if (!part.name.empty()) result.title = part.name;
  return result;
}

}  // namespace quillon
