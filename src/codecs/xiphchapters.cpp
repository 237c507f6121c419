#include "codecs/xiphchapters.h"

#include <taglib/xiphcomment.h>

#include <cstdio>
#include <map>

namespace quillon {

namespace {

// Chapter numbers of more digits than this are no numbers a writer gave.
constexpr size_t kMaxNumberDigits = 9;

std::string ChapterKey(size_t number) {
  char key[32];
  std::snprintf(key, sizeof key, "CHAPTER%03zu", number);
  return key;
}

// Reads up to most digits at text[at...], at least least of them.
std::optional<uint64_t> Digits(std::string_view text, size_t& at, size_t least, size_t most,
                               size_t* count = nullptr) {
  uint64_t value = 0;
  size_t n = 0;
  while (at < text.size() && n < most && text[at] >= '0' && text[at] <= '9') {
    value = value * 10 + static_cast<uint64_t>(text[at++] - '0');
    ++n;
  }
  if (count) *count = n;
  if (n < least) return std::nullopt;
  return value;
}

// What the comments give for one chapter number.
struct TEntry {
  std::optional<std::string_view> time, name, end;
};

}  // namespace

std::string ChapterTimeText(uint64_t ms) {
  char text[48];
  std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu.%03llu",
                static_cast<unsigned long long>(ms / 3600000),
                static_cast<unsigned long long>(ms / 60000 % 60),
                static_cast<unsigned long long>(ms / 1000 % 60),
                static_cast<unsigned long long>(ms % 1000));
  return text;
}

std::optional<uint64_t> ParseChapterTime(std::string_view text) {
  size_t at = 0;
  const auto hours = Digits(text, at, 1, 7);
  if (!hours || at >= text.size() || text[at++] != ':') return std::nullopt;
  const auto minutes = Digits(text, at, 2, 2);
  if (!minutes || *minutes > 59 || at >= text.size() || text[at++] != ':') return std::nullopt;
  const auto seconds = Digits(text, at, 2, 2);
  if (!seconds || *seconds > 59) return std::nullopt;
  uint64_t ms = ((*hours * 60 + *minutes) * 60 + *seconds) * 1000;
  if (at < text.size() && text[at] == '.') {
    ++at;
    size_t count = 0;
    const auto fraction = Digits(text, at, 1, 9, &count);
    if (!fraction) return std::nullopt;
    uint64_t scale = 1;
    for (size_t i = 0; i < count; ++i) scale *= 10;
    ms += (*fraction * 1000 + scale / 2) / scale;
  }
  if (at != text.size()) return std::nullopt;
  return ms;
}

void PutXiphChapters(TagLib::Ogg::XiphComment& comment, const std::vector<TChapter>& chapters) {
  for (size_t i = 0; i < chapters.size(); ++i) {
    const TChapter& c = chapters[i];
    const std::string key = ChapterKey(i + 1);
    comment.addField(key, ChapterTimeText(c.startMs), false);
    if (!c.name.empty())
      comment.addField(key + "NAME", TagLib::String(c.name, TagLib::String::UTF8), false);
    if (c.endMs) comment.addField(key + "END", ChapterTimeText(*c.endMs), false);
  }
}

TChapterFind XiphChaptersOf(const std::vector<TXiphField>& fields) {
  TChapterFind found;
  found.ordered = true;
  std::map<uint64_t, TEntry> entries;
  for (const TXiphField& field : fields) {
    constexpr std::string_view kPrefix = "CHAPTER";
    if (field.key.substr(0, kPrefix.size()) != kPrefix) continue;
    size_t at = kPrefix.size(), digits = 0;
    const auto number = Digits(field.key, at, 1, kMaxNumberDigits + 1, &digits);
    if (!number) continue;
    const std::string_view suffix = field.key.substr(at);
    std::optional<std::string_view> TEntry::*slot = suffix.empty()     ? &TEntry::time
                                                    : suffix == "NAME" ? &TEntry::name
                                                    : suffix == "END"  ? &TEntry::end
                                                                       : nullptr;
    // Other keys of a chapter (its URL) are kept as they are by the tag's reader.
    if (!slot) continue;
    if (digits > kMaxNumberDigits) {
      ++(suffix.empty() ? found.badTimes : found.orphanNames);
      continue;
    }
    auto entry = entries.find(*number);
    if (entry == entries.end()) {
      if (entries.size() == kMaxMarkers) {
        found.tooMany = true;
        continue;
      }
      entry = entries.emplace(*number, TEntry{}).first;
    }
    if ((entry->second.*slot).has_value())
      ++found.duplicates;
    else
      entry->second.*slot = field.value;
  }
  for (const auto& [number, entry] : entries) {
    if (!entry.time) {
      ++found.orphanNames;
      continue;
    }
    const std::optional<uint64_t> start = ParseChapterTime(*entry.time);
    if (!start) {
      ++found.badTimes;
      continue;
    }
    TChapter c{*start, std::nullopt, entry.name ? MarkerName(*entry.name) : std::string()};
    if (entry.end) {
      c.endMs = ParseChapterTime(*entry.end);
      if (!c.endMs) ++found.badTimes;
    }
    found.chapters.push_back(std::move(c));
  }
  return found;
}

TChapterFind XiphChaptersOf(const TagLib::Ogg::XiphComment& comment) {
  std::vector<std::pair<std::string, std::string>> texts;
  for (const auto& [key, values] : comment.fieldListMap()) {
    const std::string name = key.to8Bit(true);
    if (name.rfind("CHAPTER", 0) != 0) continue;
    for (const TagLib::String& value : values) texts.emplace_back(name, value.to8Bit(true));
  }
  std::vector<TXiphField> fields;
  fields.reserve(texts.size());
  for (const auto& [key, value] : texts) fields.push_back({key, value});
  return XiphChaptersOf(fields);
}

}  // namespace quillon
