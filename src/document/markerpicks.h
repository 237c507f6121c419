#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "codecs/markerlist.h"

namespace quillon {

// One marker or region as the user picked it. A command that waits its turn finds it again by
// what it is, since the list may have changed under it meanwhile.
struct TMarkItem {
  bool region = false;
  int64_t start = 0;
  int64_t end = 0;  // a marker's is its frame too
  std::string name;

  bool operator==(const TMarkItem&) const = default;
};

TMarkItem ItemOf(const TMarker& marker);
TMarkItem ItemOf(const TRegion& region);

// Where Previous and Next Marker stop: every marker and every region's start and end. The
// nearest stop after position (forward) or before it; none when there is none that way.
std::optional<int64_t> NextStop(const TMarkerList& list, int64_t position, bool forward);

// What Rename and Delete work on at position: a marker there, else a region that starts or ends
// there, else the shortest region around it; none when nothing is there.
std::optional<TMarkItem> ItemAt(const TMarkerList& list, int64_t position);

// Each changes list and says true, or says false when item is not in it (any more).
bool RemoveItem(TMarkerList& list, const TMarkItem& item);
bool RenameItem(TMarkerList& list, const TMarkItem& item, const std::string& name);
// A marker to another frame; a region keeps its length.
bool MoveItem(TMarkerList& list, const TMarkItem& item, int64_t frame);

}  // namespace quillon
