#include "mp3frames/cliporigin.h"

#include <string_view>

#include "mp3frames/sourceidentity.h"

namespace quillon {

namespace {

uint64_t BlockDigest(const std::vector<uint8_t>& block) {
  return std::hash<std::string_view>{}(
      std::string_view(reinterpret_cast<const char*>(block.data()), block.size()));
}

bool DescribesBlock(const TClipOrigin& origin, const std::vector<uint8_t>& block) {
  return origin.blockBytes == block.size() && origin.blockDigest == BlockDigest(block);
}

bool FitsClip(const TSourceMap& clipMap, uint64_t clipFrames) {
  return !clipMap.spans.empty() &&
         clipMap.spans.back().docStart + clipMap.spans.back().length <= clipFrames;
}

// Appends span, joined to the last one when it goes on where that one ends, in both.
void AppendJoined(std::vector<TSourceSpan>& spans, const TSourceSpan& span) {
  if (!spans.empty()) {
    TSourceSpan& last = spans.back();
    if (last.docStart + last.length == span.docStart &&
        last.sourceStart + last.length == span.sourceStart) {
      last.length += span.length;
      return;
    }
  }
  spans.push_back(span);
}

}  // namespace

TSharedClipOrigin MakeClipOrigin(const std::vector<uint8_t>& block, TSharedSourceMap rangeMap) {
  if (!rangeMap || rangeMap->spans.empty()) return nullptr;
  auto origin = std::make_shared<TClipOrigin>();
  origin->blockBytes = block.size();
  origin->blockDigest = BlockDigest(block);
  origin->map = std::move(rangeMap);
  return origin;
}

TSharedSourceMap MapAfterPaste(const TSharedSourceMap& map, uint64_t position, uint64_t clipFrames,
                               const TClipOrigin* origin, const std::vector<uint8_t>* block) {
  TSharedSourceMap inserted = MapAfterInsert(map, position, clipFrames);
  if (!inserted || !origin || !block || !origin->map || !DescribesBlock(*origin, *block) ||
      !FitsClip(*origin->map, clipFrames) ||
      !SameSource(map->source.get(), origin->map->source.get()))
    return inserted;
  std::vector<TSourceSpan> spans;
  auto span = inserted->spans.begin();
  for (; span != inserted->spans.end() && span->docStart < position; ++span)
    AppendJoined(spans, *span);
  for (const TSourceSpan& clip : origin->map->spans)
    AppendJoined(spans, {clip.docStart + position, clip.sourceStart, clip.length});
  for (; span != inserted->spans.end(); ++span) AppendJoined(spans, *span);
  auto pasted = std::make_shared<TSourceMap>(*inserted);
  pasted->spans = std::move(spans);
  return pasted;
}

}  // namespace quillon
