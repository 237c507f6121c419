#include "document/markers.h"

#include <algorithm>

namespace quillon {

namespace {

auto FirstMarkerAtOrAfter(std::vector<TMarker>& markers, int64_t frame) {
  return std::lower_bound(markers.begin(), markers.end(), frame,
                          [](const TMarker& m, int64_t f) { return m.frame < f; });
}

auto FirstMarkerAfter(std::vector<TMarker>& markers, int64_t frame) {
  return std::upper_bound(markers.begin(), markers.end(), frame,
                          [](int64_t f, const TMarker& m) { return f < m.frame; });
}

}  // namespace

void FollowInsert(TMarkerList& list, int64_t position, int64_t frames) {
  if (frames == 0) return;
  for (auto it = FirstMarkerAfter(list.markers, position); it != list.markers.end(); ++it)
    it->frame += frames;
  // The shift keeps the order: no start or end passes another.
  for (TRegion& region : list.regions) {
    if (region.start > position) region.start += frames;
    if (region.end > position) region.end += frames;
  }
}

void FollowRemove(TMarkerList& list, int64_t start, int64_t stop) {
  const int64_t removed = stop - start;
  if (removed <= 0) return;
  auto first = FirstMarkerAtOrAfter(list.markers, start);
  auto kept = list.markers.erase(first, FirstMarkerAtOrAfter(list.markers, stop));
  for (; kept != list.markers.end(); ++kept) kept->frame -= removed;
  // Every point inside the removed frames closes up to start; the map never reorders regions.
  auto follow = [&](int64_t x) { return x <= start ? x : x >= stop ? x - removed : start; };
  std::erase_if(list.regions, [&](TRegion& region) {
    region.start = follow(region.start);
    region.end = follow(region.end);
    return region.end <= region.start;
  });
}

void FollowReverse(TMarkerList& list, int64_t start, int64_t stop) {
  const int64_t mirror = start + stop;
  auto first = FirstMarkerAtOrAfter(list.markers, start);
  auto last = FirstMarkerAfter(list.markers, stop);
  for (auto it = first; it != last; ++it) it->frame = mirror - it->frame;
  std::reverse(first, last);
  bool moved = false;
  for (TRegion& region : list.regions)
    if (region.start >= start && region.end <= stop) {
      region = {mirror - region.end, mirror - region.start, std::move(region.name)};
      moved = true;
    }
  if (moved) std::stable_sort(list.regions.begin(), list.regions.end(), RegionBefore);
}

TMarkerList MarkersInRange(const TMarkerList& list, int64_t start, int64_t stop, bool withStop) {
  TMarkerList range;
  auto first = std::lower_bound(list.markers.begin(), list.markers.end(), start,
                                [](const TMarker& m, int64_t f) { return m.frame < f; });
  for (auto it = first; it != list.markers.end() && it->frame <= stop - !withStop; ++it)
    range.markers.push_back({it->frame - start, it->name});
  for (const TRegion& region : list.regions) {
    if (region.start >= stop) break;
    const int64_t from = std::max(region.start, start), to = std::min(region.end, stop);
    if (to > from) range.regions.push_back({from - start, to - start, region.name});
  }
  return range;
}

const TSharedMarkers& NoMarkers() {
  static const TSharedMarkers none = std::make_shared<const TMarkerList>();
  return none;
}

}  // namespace quillon
