#include "cli/tagoptions.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "codecs/tagtext.h"

namespace quillon {

const char* const kTagKeys[8] = {"title", "artist", "album", "albumartist",
                                 "year",  "track",  "genre", "comment"};

namespace {

TTagValues* FieldOf(TTags& tags, std::string_view key) {
  for (size_t i = 0; i < std::size(kTagKeys); ++i)
    if (key == kTagKeys[i]) return &(tags.*kTagFields[i]);
  return nullptr;
}

bool Refuse(const std::string& text) {
  std::fprintf(stderr, "quillon-cli: %s\n", text.c_str());
  return false;
}

std::optional<TCoverPicture> ReadCover(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error) {
    Refuse("Cannot read the cover " + path + ": " + error.message() + ".");
    return std::nullopt;
  }
  if (size > kMaxCoverBytes) {
    Refuse("The cover " + path + " has " + std::to_string(size) + " bytes; a cover may have " +
           std::to_string(kMaxCoverBytes) + " at most.");
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  TCoverPicture cover;
  cover.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    Refuse("Cannot read the cover " + path + ".");
    return std::nullopt;
  }
  cover.mimeType = ImageMimeTypeOf(cover.data);
  if (cover.mimeType.empty()) {
    Refuse("The cover " + path + " is neither a JPEG nor a PNG picture.");
    return std::nullopt;
  }
  return cover;
}

}  // namespace

bool ParseTagOption(std::string_view option, const char* value, TTagEdits& edits, bool& bad) {
  if (option == "--no-tags") {
    edits.noTags = true;
    return true;
  }
  if (option != "--tag" && option != "--cover") return false;
  if (!value) {
    Refuse(std::string(option) + " needs a value.");
    bad = true;
    return true;
  }
  if (option == "--cover") {
    edits.coverFile = value;
    return true;
  }
  const std::string_view argument = value;
  const size_t equals = argument.find('=');
  TTags probe;
  if (equals == std::string_view::npos || !FieldOf(probe, argument.substr(0, equals))) {
    Refuse("--tag " + std::string(argument) +
           ": the key must be one of title, artist, album, albumartist, year, track, genre, "
           "comment, followed by =VALUE.");
    bad = true;
    return true;
  }
  edits.fields.emplace_back(argument.substr(0, equals), argument.substr(equals + 1));
  return true;
}

namespace {

// The first value given for a field replaces its values, each further one is added; an empty one
// removes them all.
void ApplyFieldEdits(const TTagEdits& edits, TTags& tags) {
  std::set<std::string> given;
  for (const auto& [key, value] : edits.fields) {
    TTagValues& field = *FieldOf(tags, key);
    if (given.insert(key).second || value.empty()) field = {};
    bool cut = false;
    field.Add(CleanTagText(value, kMaxTagTextBytes, &cut));
    if (cut)
      std::fprintf(stderr, "quillon-cli: --tag %s: the value was cut to %zu bytes.\n", key.c_str(),
                   kMaxTagTextBytes);
  }
}

}  // namespace

std::optional<TTags> ApplyTagEdits(const TTagEdits& edits, TTags tags) {
  if (edits.noTags) tags = {};
  ApplyFieldEdits(edits, tags);
  if (edits.coverFile) {
    std::optional<TCoverPicture> cover = ReadCover(*edits.coverFile);
    if (!cover) return std::nullopt;
    tags.cover = std::move(cover);
  }
  return tags;
}

std::string OneLine(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\\')
      out += "\\\\";
    else
      out += c;
  }
  return out;
}

void PrintTags(const TTags& tags, std::FILE* out) {
  for (size_t i = 0; i < std::size(kTagKeys); ++i)
    for (const std::string& value : (tags.*kTagFields[i]).All())
      std::fprintf(out, "tag.%s: %s\n", kTagKeys[i], OneLine(value).c_str());
  if (tags.cover)
    std::fprintf(out, "cover: %s %zu bytes\n", tags.cover->mimeType.c_str(),
                 tags.cover->data.size());
}

}  // namespace quillon
