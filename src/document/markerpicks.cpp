#include "document/markerpicks.h"

#include <algorithm>

namespace quillon {

TMarkItem ItemOf(const TMarker& marker) {
  return {false, marker.frame, marker.frame, marker.name};
}

TMarkItem ItemOf(const TRegion& region) {
  return {true, region.start, region.end, region.name};
}

std::optional<int64_t> NextStop(const TMarkerList& list, int64_t position, bool forward) {
  std::optional<int64_t> best;
  auto offer = [&](int64_t stop) {
    if (forward ? stop <= position : stop >= position) return;
    if (!best || (forward ? stop < *best : stop > *best)) best = stop;
  };
  // Markers and region starts are sorted: one search each; region ends are not.
  const auto& markers = list.markers;
  auto m = std::upper_bound(markers.begin(), markers.end(), position,
                            [](int64_t p, const TMarker& marker) { return p < marker.frame; });
  if (forward && m != markers.end()) offer(m->frame);
  auto before = std::lower_bound(markers.begin(), markers.end(), position,
                                 [](const TMarker& marker, int64_t p) { return marker.frame < p; });
  if (!forward && before != markers.begin()) offer(std::prev(before)->frame);
  for (const TRegion& region : list.regions) {
    offer(region.start);
    offer(region.end);
  }
  return best;
}

std::optional<TMarkItem> ItemAt(const TMarkerList& list, int64_t position) {
  auto m = std::lower_bound(list.markers.begin(), list.markers.end(), position,
                            [](const TMarker& marker, int64_t p) { return marker.frame < p; });
  if (m != list.markers.end() && m->frame == position) return ItemOf(*m);
  const TRegion* inside = nullptr;
  for (const TRegion& region : list.regions) {
    if (region.start == position || region.end == position) return ItemOf(region);
    if (region.start < position && position < region.end &&
        (!inside || region.end - region.start < inside->end - inside->start))
      inside = &region;
  }
  if (inside) return ItemOf(*inside);
  return std::nullopt;
}

namespace {

template <typename Change>
bool ChangeItem(TMarkerList& list, const TMarkItem& item, Change change) {
  if (!item.region) {
    auto it = std::find_if(list.markers.begin(), list.markers.end(),
                           [&](const TMarker& marker) { return ItemOf(marker) == item; });
    if (it == list.markers.end()) return false;
    TMarker marker = std::move(*it);
    list.markers.erase(it);
    if (change(marker.frame, marker.frame, marker.name)) list.AddMarker(std::move(marker));
    return true;
  }
  auto it = std::find_if(list.regions.begin(), list.regions.end(),
                         [&](const TRegion& region) { return ItemOf(region) == item; });
  if (it == list.regions.end()) return false;
  TRegion region = std::move(*it);
  list.regions.erase(it);
  if (change(region.start, region.end, region.name)) list.AddRegion(std::move(region));
  return true;
}

}  // namespace

bool RemoveItem(TMarkerList& list, const TMarkItem& item) {
  return ChangeItem(list, item, [](int64_t&, int64_t&, std::string&) { return false; });
}

bool RenameItem(TMarkerList& list, const TMarkItem& item, const std::string& name) {
  return ChangeItem(list, item, [&](int64_t&, int64_t&, std::string& itemName) {
    itemName = OneLineName(name);
    return true;
  });
}

bool MoveItem(TMarkerList& list, const TMarkItem& item, int64_t frame) {
  return ChangeItem(list, item, [&](int64_t& start, int64_t& end, std::string&) {
    end += frame - start;
    start = frame;
    return true;
  });
}

}  // namespace quillon
