#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
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

// A gain that an edit applies to every sample, found on the worker (from a measurement, say);
// none leaves the document as it was. The notice is the edit's status line either way.
struct TGainPlan {
  std::optional<double> gain;
  std::string notice;
};
using TGainPlanner = std::function<TGainPlan(const TAudioState& state, const TCancelToken& cancel)>;

// What Convert to Mono makes of each frame.
enum class TMonoMix : uint32_t { Average, Left, Right };

// The spans in order, each held to [0, frames), empty ones dropped and overlapping ones joined.
std::vector<TFrameSpan> OrderedSpans(std::vector<TFrameSpan> spans, uint64_t frames);

}  // namespace quillon
