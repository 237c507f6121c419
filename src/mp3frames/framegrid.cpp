#include "mp3frames/framegrid.h"

#include <algorithm>

#include "mp3frames/frameindex.h"

namespace quillon {

namespace {

// The first source sample at or after d that begins a frame.
uint64_t BoundaryAtOrAfter(uint64_t d, TFrameGrid grid) {
  const uint64_t raw = d + grid.skip;
  const uint64_t frames = (raw + grid.samplesPerFrame - 1) / grid.samplesPerFrame;
  return frames * grid.samplesPerFrame - grid.skip;
}

// The boundary of span nearest position, as a document frame; none when the span has none.
std::optional<uint64_t> NearestInSpan(const TSourceSpan& span, TFrameGrid grid, uint64_t position,
                                      TSnapToward toward) {
  const uint64_t at = std::clamp(position, span.docStart, span.docStart + span.length);
  const uint64_t d = span.sourceStart + (at - span.docStart);
  const uint64_t end = span.sourceStart + span.length;
  std::optional<uint64_t> best;
  auto consider = [&](uint64_t boundary) {
    if (boundary < span.sourceStart || boundary > end) return;
    const uint64_t frame = span.docStart + (boundary - span.sourceStart);
    if ((toward == TSnapToward::Later && frame < position) ||
        (toward == TSnapToward::Earlier && frame > position))
      return;
    const auto distance = [&](uint64_t f) { return f > position ? f - position : position - f; };
    if (!best || distance(frame) < distance(*best)) best = frame;
  };
  const uint64_t after = BoundaryAtOrAfter(d, grid);
  consider(after);
  if (after >= grid.samplesPerFrame) consider(after - grid.samplesPerFrame);
  return best;
}

}  // namespace

std::optional<TFrameGrid> GridOf(const TSourceMap& map) {
  if (!map.source || !map.source->Usable()) return std::nullopt;
  return TFrameGrid{map.source->Format().SamplesPerFrame(), map.source->Skip()};
}

std::vector<uint64_t> FrameBoundaries(const std::vector<TSourceSpan>& spans, TFrameGrid grid,
                                      uint64_t from, uint64_t to, size_t limit) {
  std::vector<uint64_t> boundaries;
  if (grid.samplesPerFrame == 0) return boundaries;
  for (const TSourceSpan& span : spans) {
    const uint64_t start = std::max(from, span.docStart);
    const uint64_t stop = std::min(to, span.docStart + span.length + 1);
    if (start >= stop) continue;
    uint64_t d = BoundaryAtOrAfter(span.sourceStart + (start - span.docStart), grid);
    for (; span.docStart + (d - span.sourceStart) < stop; d += grid.samplesPerFrame) {
      const uint64_t frame = span.docStart + (d - span.sourceStart);
      // A span that ends where the next begins gives that place once.
      if (boundaries.empty() || boundaries.back() < frame) boundaries.push_back(frame);
      if (boundaries.size() >= limit) return boundaries;
    }
  }
  return boundaries;
}

std::optional<uint64_t> NearestBoundary(const std::vector<TSourceSpan>& spans, TFrameGrid grid,
                                        uint64_t position, TSnapToward toward) {
  if (grid.samplesPerFrame == 0) return std::nullopt;
  std::optional<uint64_t> best;
  const auto distance = [&](uint64_t f) { return f > position ? f - position : position - f; };
  for (const TSourceSpan& span : spans) {
    const std::optional<uint64_t> found = NearestInSpan(span, grid, position, toward);
    if (found && distance(*found) <= grid.samplesPerFrame &&
        (!best || distance(*found) < distance(*best)))
      best = found;
  }
  return best;
}

namespace {

TSnapToward Moved(uint64_t edge, std::optional<uint64_t> before) {
  if (!before || edge == *before) return TSnapToward::Nearest;
  return edge > *before ? TSnapToward::Later : TSnapToward::Earlier;
}

}  // namespace

TFrameRange SnapRange(const std::vector<TSourceSpan>& spans, TFrameGrid grid, TFrameRange range,
                      const std::optional<TFrameRange>& previous) {
  const auto [start, stop] = range;
  const auto before = [&](uint64_t TFrameRange::*edge) -> std::optional<uint64_t> {
    return previous ? std::optional<uint64_t>((*previous).*edge) : std::nullopt;
  };
  const uint64_t snappedStart =
      NearestBoundary(spans, grid, start, Moved(start, before(&TFrameRange::first)))
          .value_or(start);
  const uint64_t snappedStop =
      NearestBoundary(spans, grid, stop, Moved(stop, before(&TFrameRange::second))).value_or(stop);
  if (snappedStart >= snappedStop) return range;
  return {snappedStart, snappedStop};
}

}  // namespace quillon
