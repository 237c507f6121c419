#include "document/journalsourcemaps.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "mp3frames/frameindex.h"

namespace quillon {

namespace {

// Far above the frames of any file we open.
constexpr uint64_t kMaxJournalFrame = uint64_t{1} << 40;

// A number up to the next space (taken too) or the end.
template <typename T>
std::optional<T> NextNumber(std::string_view& value) {
  const size_t space = value.find(' ');
  const std::string_view digits = value.substr(0, space);
  T number = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) return {};
  value = space == std::string_view::npos ? std::string_view() : value.substr(space + 1);
  return number;
}

std::optional<TSourceIdentity> ParseSourceLine(std::string_view value) {
  auto bytes = NextNumber<uint64_t>(value);
  auto modified = NextNumber<int64_t>(value);
  auto digest = NextNumber<uint64_t>(value);
  if (!bytes || !modified || !digest || !value.starts_with('/')) return std::nullopt;
  return TSourceIdentity{std::string(value), *bytes, *modified, *digest};
}

std::optional<TSourceSpan> ParseSpanLine(std::string_view value) {
  auto docStart = NextNumber<uint64_t>(value);
  auto sourceStart = NextNumber<uint64_t>(value);
  auto length = NextNumber<uint64_t>(value);
  if (!docStart || !sourceStart || !length || !value.empty() || *length == 0 ||
      *docStart > kMaxJournalFrame || *sourceStart > kMaxJournalFrame || *length > kMaxJournalFrame)
    return std::nullopt;
  return TSourceSpan{*docStart, *sourceStart, *length};
}

bool SpansFit(const TSourceMap& map, uint64_t sourceFrames, uint64_t documentFrames) {
  for (const TSourceSpan& span : map.spans)
    if (span.sourceStart + span.length > sourceFrames ||
        span.docStart + span.length > documentFrames)
      return false;
  return true;
}

// map's spans with source as theirs; none when they do not fit it.
TSharedSourceMap Bound(const TSharedSourceMap& map, const TSharedMp3Source& source,
                       uint64_t documentFrames = UINT64_MAX) {
  if (!map || !SpansFit(*map, source->DecodedLength(), documentFrames)) return nullptr;
  auto bound = std::make_shared<TSourceMap>();
  bound->source = source;
  bound->spans = map->spans;
  return bound;
}

bool HasSpans(const TSharedSourceMap& map) {
  return map && !map->spans.empty();
}

}  // namespace

TJournalSourceMaps JournalMapsOf(const TSharedSourceMap& current,
                                 const std::vector<TSharedSourceMap>& undo,
                                 const std::vector<TSharedSourceMap>& redo) {
  TJournalSourceMaps maps;
  const TMp3Source* source = nullptr;
  auto take = [&](const TSharedSourceMap& map) -> TSharedSourceMap {
    if (!HasSpans(map) || !map->source || !map->source->Usable()) return nullptr;
    // A document has one source; a map of any other would not be recovered right.
    if (source && map->source.get() != source) return nullptr;
    source = map->source.get();
    return map;
  };
  maps.current = take(current);
  for (const TSharedSourceMap& map : undo) maps.undo.push_back(take(map));
  for (const TSharedSourceMap& map : redo) maps.redo.push_back(take(map));
  if (!source) return {};
  maps.source = source->Identity();
  std::error_code ignored;
  maps.source->path = std::filesystem::absolute(maps.source->path, ignored).string();
  return maps;
}

void AppendSourceLine(std::string& text, const TJournalSourceMaps& maps) {
  if (!maps.source) return;
  // The path last, escaped by the caller's line as a whole: it may hold spaces.
  text.append(std::to_string(maps.source->bytes))
      .append(" ")
      .append(std::to_string(maps.source->modifiedNs))
      .append(" ")
      .append(std::to_string(maps.source->digest))
      .append(" ")
      .append(maps.source->path);
}

void AppendSpanLines(std::string& text, const TSharedSourceMap& map) {
  if (!HasSpans(map)) return;
  for (const TSourceSpan& span : map->spans)
    text.append("mp3span ")
        .append(std::to_string(span.docStart))
        .append(" ")
        .append(std::to_string(span.sourceStart))
        .append(" ")
        .append(std::to_string(span.length))
        .append("\n");
}

void TSpanLines::StartState(std::string_view key, size_t count) {
  FlushSpans();
  list_ = std::string(key);
  index_ = count == 0 ? 0 : count - 1;
}

bool TSpanLines::Apply(std::string_view key, std::string_view value) {
  if (key == "mp3source") {
    maps_.source = ParseSourceLine(value);
    valid_ = valid_ && maps_.source;
    return true;
  }
  if (key != "mp3span") return false;
  const std::optional<TSourceSpan> span = ParseSpanLine(value);
  // In document order, none overlapping, and only after a state's line.
  const bool follows =
      span && !list_.empty() &&
      (pending_.empty() || pending_.back().docStart + pending_.back().length <= span->docStart);
  if (follows)
    pending_.push_back(*span);
  else
    valid_ = false;
  return true;
}

void TSpanLines::FlushSpans() {
  if (pending_.empty()) return;
  auto map = std::make_shared<TSourceMap>();
  map->spans = std::move(pending_);
  pending_.clear();
  if (list_ == "current") {
    maps_.current = std::move(map);
    return;
  }
  std::vector<TSharedSourceMap>& list = list_ == "undo" ? maps_.undo : maps_.redo;
  if (list.size() <= index_) list.resize(index_ + 1);
  list[index_] = std::move(map);
}

void TSpanLines::Finish() {
  FlushSpans();
  // Spans without the source they are of mean nothing.
  if (!valid_ || !maps_.source) maps_ = {};
}

TJournalSourceMaps BindJournalMaps(const TJournalSourceMaps& recorded, uint64_t currentFrames) {
  if (!recorded.source) return {};
  auto source = std::make_shared<TMp3Source>(recorded.source->path);
  TSourceIdentity found = source->Identity();
  if (!source->Usable() || found != *recorded.source) return {};
  TJournalSourceMaps bound;
  bound.source = found;
  bound.current = Bound(recorded.current, source, currentFrames);
  for (const TSharedSourceMap& map : recorded.undo) bound.undo.push_back(Bound(map, source));
  for (const TSharedSourceMap& map : recorded.redo) bound.redo.push_back(Bound(map, source));
  return bound;
}

}  // namespace quillon
