// sourcemap: which frames of a document are still exactly the decoded samples of the MP3 it was
// opened from, and where in that source they lie. Each state of the document's history keeps its
// own map; edits make a new one from the one before.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mp3frames/frameindex.h"

namespace quillon {

// Document frames [docStart, docStart + length) are the source's decoded frames
// [sourceStart, sourceStart + length), counted as a gapless decoder gives them.
struct TSourceSpan {
  uint64_t docStart = 0;
  uint64_t sourceStart = 0;
  uint64_t length = 0;
  bool operator==(const TSourceSpan&) const = default;
};

struct TSourceMap {
  TSharedMp3Source source;
  // In document order, none overlapping, none empty.
  std::vector<TSourceSpan> spans;
  // When the source's frames cannot be copied: the key of the constant saying why (no spans).
  std::string refusal;
};

// Maps are shared between states; null means that no frame is the source's.
using TSharedSourceMap = std::shared_ptr<const TSourceMap>;

// A document of frames frames just decoded from source: all of it is the source's.
TSharedSourceMap WholeSourceMap(TSharedMp3Source source, uint64_t frames);
// Frames [start, stop) were removed: later spans move back.
TSharedSourceMap MapAfterRemove(const TSharedSourceMap& map, uint64_t start, uint64_t stop);
// frames new frames, not the source's, were inserted at position: later spans move on.
TSharedSourceMap MapAfterInsert(const TSharedSourceMap& map, uint64_t position, uint64_t frames);
// Frames [start, stop) were changed in place: they are the source's no more.
TSharedSourceMap MapAfterChange(const TSharedSourceMap& map, uint64_t start, uint64_t stop);
// The map of frames [start, stop) alone, counted from start (a selection's save).
TSharedSourceMap MapOfRange(const TSharedSourceMap& map, uint64_t start, uint64_t stop);
// Frames of the document that are the source's.
uint64_t MappedFrames(const TSourceMap& map);

}  // namespace quillon
