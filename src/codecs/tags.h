#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// A front cover picture as a tag carries it.
struct TCoverPicture {
  std::string mimeType;  // "image/jpeg", "image/png", ...
  std::string description;
  std::vector<uint8_t> data;

  bool operator==(const TCoverPicture&) const = default;
};

// The values of one tag field in their order: most fields have one, a field with none is absent.
// Values are UTF-8 and never empty. A text given where values are expected is the only value, so
// that callers who know of one value (and the comparisons they make) read as before.
class TTagValues {
 public:
  TTagValues() = default;
  TTagValues(std::string text);
  TTagValues(const char* text) : TTagValues(std::string(text)) {}
  explicit TTagValues(std::vector<std::string> values);
  TTagValues(std::initializer_list<std::string> values)
      : TTagValues(std::vector<std::string>(values)) {}

  // The first value; empty when there is none.
  const std::string& First() const;
  const std::vector<std::string>& All() const { return values_; }
  bool empty() const { return values_.empty(); }
  size_t size() const { return values_.size(); }
  // Adds value after the others; an empty one adds nothing.
  void Add(std::string value);
  // The values with separator between them, for forms that hold one text a field.
  std::string Joined(std::string_view separator) const;

  bool operator==(const TTagValues&) const = default;

 private:
  std::vector<std::string> values_;
};

// What a file says about its audio besides the samples: the fields every tag form has, each with
// all the values the file gives it, and the front cover. They belong to the document, not to a
// state of its audio, so edits, undo and redo keep them.
struct TTags {
  TTagValues title;
  TTagValues artist;
  TTagValues album;
  TTagValues albumArtist;
  TTagValues year;
  TTagValues track;
  TTagValues genre;
  TTagValues comment;
  std::optional<TCoverPicture> cover;

  bool Empty() const {
    return title.empty() && artist.empty() && album.empty() && albumArtist.empty() &&
           year.empty() && track.empty() && genre.empty() && comment.empty() && !cover;
  }
  bool operator==(const TTags&) const = default;
};

// The text fields, in the order every list of them keeps.
inline constexpr TTagValues TTags::*kTagFields[] = {
    &TTags::title, &TTags::artist, &TTags::album, &TTags::albumArtist,
    &TTags::year,  &TTags::track,  &TTags::genre, &TTags::comment};

}  // namespace quillon
