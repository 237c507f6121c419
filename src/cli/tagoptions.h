#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "codecs/tags.h"

namespace quillon {

// The tag options of the edit command: --tag KEY=VALUE (the first for a key replaces the field's
// values, each further one adds a value, an empty value removes the field),
// --cover FILE and --no-tags.
struct TTagEdits {
  std::vector<std::pair<std::string, std::string>> fields;  // key, value
  std::optional<std::string> coverFile;
  bool noTags = false;
  bool Any() const { return !fields.empty() || coverFile || noTags; }
};

// The keys --tag takes and info prints, in order.
extern const char* const kTagKeys[8];

// Takes the option when it is one of the tag options; false when it is not. A malformed one sets
// bad after naming the argument on stderr.
bool ParseTagOption(std::string_view option, const char* value, TTagEdits& edits, bool& bad);

// The document's tags with the edits applied; none (after saying why on stderr) when the cover
// file cannot be read, is too large or is no JPEG or PNG picture.
std::optional<TTags> ApplyTagEdits(const TTagEdits& edits, TTags tags);

// text on one line: line breaks written as \n, backslashes doubled.
std::string OneLine(const std::string& text);

// One "tag.KEY: value" line a value of each field, in order, line breaks written as \n, then
// "cover: MIME BYTES bytes" when there is a cover.
void PrintTags(const TTags& tags, std::FILE* out);

}  // namespace quillon
