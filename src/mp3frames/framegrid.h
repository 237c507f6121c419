// framegrid: where the source's MPEG frames begin among a document's frames, in the ranges that
// a source map still maps: what a frame view marks and what a selection snaps to, so that an
// edit on those places leaves every other frame to be copied.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "mp3frames/sourcemap.h"

namespace quillon {

// The source's decoded sample d starts a frame when d + skip is a multiple of samplesPerFrame.
struct TFrameGrid {
  uint32_t samplesPerFrame = 0;
  uint32_t skip = 0;
};

// The grid of map's source; none when the map has no usable source.
std::optional<TFrameGrid> GridOf(const TSourceMap& map);

// The document frames in [from, to) where a source frame begins, in order, at most limit.
std::vector<uint64_t> FrameBoundaries(const std::vector<TSourceSpan>& spans, TFrameGrid grid,
                                      uint64_t from, uint64_t to, size_t limit);

// Which boundaries an edge may go to: any, or only those at or after (before) it.
enum class TSnapToward { Nearest, Later, Earlier };

// The boundary nearest position, no farther than one source frame from it; none when no mapped
// range has one that near.
std::optional<uint64_t> NearestBoundary(const std::vector<TSourceSpan>& spans, TFrameGrid grid,
                                        uint64_t position,
                                        TSnapToward toward = TSnapToward::Nearest);

// A selection [start, stop) with each edge on its nearest boundary where one is that near; as it
// was when both would land on the same one. An edge that moved from the previous selection goes
// on the way it moved, so that steps smaller than a frame (the keys) go from frame to frame.
using TFrameRange = std::pair<uint64_t, uint64_t>;
TFrameRange SnapRange(const std::vector<TSourceSpan>& spans, TFrameGrid grid, TFrameRange range,
                      const std::optional<TFrameRange>& previous = std::nullopt);

}  // namespace quillon
