// cliporigin: which of a copied clip's frames are still the decoded samples of an MP3, so that a
// paste of that clip into a document from the same MP3 keeps them the source's.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "mp3frames/sourcemap.h"

namespace quillon {

// The clip block a copy made (known by its size and digest: the clipboard may have been given
// another since) and the map of the range it was copied from, counted from the clip's start.
struct TClipOrigin {
  uint64_t blockBytes = 0;
  uint64_t blockDigest = 0;
  TSharedSourceMap map;
};

using TSharedClipOrigin = std::shared_ptr<const TClipOrigin>;

// None when no frame of the copied range is the source's.
TSharedClipOrigin MakeClipOrigin(const std::vector<uint8_t>& block, TSharedSourceMap rangeMap);

// The map after clipFrames frames read from block were pasted at position into a document with
// map. They stay the source's when origin describes this very block and the document's source is
// the same file; otherwise they are new frames, as any other insert.
TSharedSourceMap MapAfterPaste(const TSharedSourceMap& map, uint64_t position, uint64_t clipFrames,
                               const TClipOrigin* origin, const std::vector<uint8_t>* block);

}  // namespace quillon
