#include "codecs/markerlist.h"

#include <taglib/tstring.h>

#include <algorithm>

#include "codecs/tagtext.h"

namespace quillon {

bool RegionBefore(const TRegion& a, const TRegion& b) {
  return a.start != b.start ? a.start < b.start : a.end < b.end;
}

void TMarkerList::AddMarker(TMarker marker) {
  auto at = std::upper_bound(markers.begin(), markers.end(), marker.frame,
                             [](int64_t frame, const TMarker& m) { return frame < m.frame; });
  markers.insert(at, std::move(marker));
}

void TMarkerList::AddRegion(TRegion region) {
  if (region.end <= region.start) return;
  auto at = std::upper_bound(regions.begin(), regions.end(), region, RegionBefore);
  regions.insert(at, std::move(region));
}

std::string MarkerName(std::string_view bytes) {
  // Longer input is cut anyway: no need to decode it all.
  bytes = bytes.substr(0, 4 * kMaxTagTextBytes);
  TagLib::ByteVector data(bytes.data(), static_cast<unsigned int>(bytes.size()));
  TagLib::String text(data, TagLib::String::UTF8);
  // TagLib gives an empty text for bytes that are no UTF-8.
  if (text.isEmpty() && !data.isEmpty()) text = TagLib::String(data, TagLib::String::Latin1);
  return CleanTagText(text.to8Bit(true));
}

std::string OneLineName(const std::string& name) {
  std::string line = name;
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
  return line;
}

}  // namespace quillon
