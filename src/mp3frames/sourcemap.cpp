#include "mp3frames/sourcemap.h"

#include <algorithm>

namespace quillon {

namespace {

// The spans of map that lie in [start, stop), cut to it, with shift added to their document
// positions; appended to out.
void AppendCut(const TSourceMap& map, uint64_t start, uint64_t stop, int64_t shift,
               std::vector<TSourceSpan>& out) {
  for (const TSourceSpan& span : map.spans) {
    const uint64_t from = std::max(span.docStart, start);
    const uint64_t to = std::min(span.docStart + span.length, stop);
    if (to <= from) continue;
    out.push_back({static_cast<uint64_t>(static_cast<int64_t>(from) + shift),
                   span.sourceStart + (from - span.docStart), to - from});
  }
}

TSharedSourceMap Made(const TSourceMap& map, std::vector<TSourceSpan> spans) {
  if (spans.empty() && map.refusal.empty()) return nullptr;
  auto made = std::make_shared<TSourceMap>();
  made->source = map.source;
  made->refusal = map.refusal;
  made->spans = std::move(spans);
  return made;
}

}  // namespace

TSharedSourceMap WholeSourceMap(TSharedMp3Source source, uint64_t frames) {
  if (!source || frames == 0) return nullptr;
  auto map = std::make_shared<TSourceMap>();
  map->source = std::move(source);
  map->spans.push_back({0, 0, frames});
  return map;
}

TSharedSourceMap MapAfterRemove(const TSharedSourceMap& map, uint64_t start, uint64_t stop) {
  if (!map || stop <= start) return map;
  std::vector<TSourceSpan> spans;
  AppendCut(*map, 0, start, 0, spans);
  AppendCut(*map, stop, UINT64_MAX, -static_cast<int64_t>(stop - start), spans);
  return Made(*map, std::move(spans));
}

TSharedSourceMap MapAfterInsert(const TSharedSourceMap& map, uint64_t position, uint64_t frames) {
  if (!map || frames == 0) return map;
  std::vector<TSourceSpan> spans;
  AppendCut(*map, 0, position, 0, spans);
  AppendCut(*map, position, UINT64_MAX, static_cast<int64_t>(frames), spans);
  return Made(*map, std::move(spans));
}

TSharedSourceMap MapAfterChange(const TSharedSourceMap& map, uint64_t start, uint64_t stop) {
  if (!map || stop <= start) return map;
  std::vector<TSourceSpan> spans;
  AppendCut(*map, 0, start, 0, spans);
  AppendCut(*map, stop, UINT64_MAX, 0, spans);
  return Made(*map, std::move(spans));
}

TSharedSourceMap MapOfRange(const TSharedSourceMap& map, uint64_t start, uint64_t stop) {
  if (!map || stop <= start) return nullptr;
  std::vector<TSourceSpan> spans;
  AppendCut(*map, start, stop, -static_cast<int64_t>(start), spans);
  return Made(*map, std::move(spans));
}

uint64_t MappedFrames(const TSourceMap& map) {
  uint64_t total = 0;
  for (const TSourceSpan& span : map.spans) total += span.length;
  return total;
}

}  // namespace quillon
