#pragma once

#include <cstdint>
#include <memory>

#include "codecs/markerlist.h"

namespace quillon {

// How markers and regions follow the edits of the audio they mark. Each costs one binary search
// and at most one pass over the lists, so that a document with a hundred thousand markers edits
// as fast as one without.

// frames were inserted at position: markers after it move on; a region that spans the position,
// or starts there, grows by them.
void FollowInsert(TMarkerList& list, int64_t position, int64_t frames);
// Frames start to stop - 1 were removed: markers on them go and later ones move back; a region
// loses what it had of them, and goes when nothing is left.
void FollowRemove(TMarkerList& list, int64_t start, int64_t stop);
// Frames start to stop - 1 were reversed: markers from start to stop, and regions lying wholly
// within, are mirrored; others stay.
void FollowReverse(TMarkerList& list, int64_t start, int64_t stop);

// The markers of frames start to stop - 1 alone, counted from start: the markers on them (and at
// stop too when withStop: the range runs to the end), and the regions cut to the range.
TMarkerList MarkersInRange(const TMarkerList& list, int64_t start, int64_t stop, bool withStop);

// A shared list that no state has changed since it was made; never null.
using TSharedMarkers = std::shared_ptr<const TMarkerList>;
const TSharedMarkers& NoMarkers();

}  // namespace quillon
