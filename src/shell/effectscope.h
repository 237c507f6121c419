#pragma once

#include <cstdint>

#include "document/effectspan.h"
#include "platform/config.h"

namespace quillon {

// The frames an effect command changes: the selection when the user works like other audio
// editors and has selected something; otherwise the whole document.
inline TEffectScope EffectScopeFor(bool likePeers, bool selected, uint32_t start, uint32_t stop) {
  if (!likePeers || !selected || stop <= start) return {};
  return {TFrameSpan{start, stop}};
}

// The same for a place of the window (its start, stop and selected), with the setting as it is.
template <typename TPlace>
TEffectScope EffectScopeAt(const TPlace& at) {
  return EffectScopeFor(config.likepeers, at.selected, at.start, at.stop);
}

}  // namespace quillon
