#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/cancel.h"

namespace quillon {

struct TAudioState;

// Frames [start, stop).
struct TFrameSpan {
  uint64_t start = 0;
  uint64_t stop = 0;
  uint64_t Length() const { return stop - start; }
  bool operator==(const TFrameSpan&) const = default;
};

// Finds, on the worker, the spans of a state that an edit removes; it may read the state's
// store and must look at the cancel token between long steps.
using TSpanPlanner =
    std::function<std::vector<TFrameSpan>(const TAudioState& state, const TCancelToken& cancel)>;

// The spans in order, each held to [0, frames), empty ones dropped and overlapping ones joined.
std::vector<TFrameSpan> OrderedSpans(std::vector<TFrameSpan> spans, uint64_t frames);

}  // namespace quillon
