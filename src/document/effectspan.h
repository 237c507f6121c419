#pragma once

#include <cstdint>
#include <optional>

#include "document/editplans.h"

namespace quillon {

class Twavefile;

// Where an effect command works: the whole document, or a span of its frames. The window and
// quillon-cli choose it once and start each effect through it.
struct TEffectScope {
  std::optional<TFrameSpan> span;

  bool Normalize(Twavefile& document, int32_t percent) const;
  bool Amplify(Twavefile& document, uint32_t percent) const;
  bool Reverse(Twavefile& document) const;
  bool Invert(Twavefile& document) const;
  // planner should measure the same span (see LoudnessGainPlanner's within).
  bool ApplyGain(Twavefile& document, TGainPlanner planner) const;
};

}  // namespace quillon
