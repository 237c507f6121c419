#include "codecs/markerlist.h"

#include <algorithm>

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

std::string OneLineName(const std::string& name) {
  std::string line = name;
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
  return line;
}

}  // namespace quillon
