#include "cli/tagoptions.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "codecs/tagtext.h"

namespace quillon {

const char* const kTagKeys[8] = {"title", "artist", "album", "albumartist",
                                 "year",  "track",  "genre", "comment"};

namespace {

std::string* FieldOf(TTags& tags, std::string_view key) {
  std::string* fields[] = {&tags.title, &tags.artist, &tags.album, &tags.albumArtist,
                           &tags.year,  &tags.track,  &tags.genre, &tags.comment};
  for (size_t i = 0; i < std::size(kTagKeys); ++i)
    if (key == kTagKeys[i]) return fields[i];
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

std::optional<TTags> ApplyTagEdits(const TTagEdits& edits, TTags tags) {
  if (edits.noTags) tags = {};
  for (const auto& [key, value] : edits.fields) *FieldOf(tags, key) = CleanTagText(value);
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
  TTags copy = tags;
  for (const char* key : kTagKeys)
    if (const std::string* field = FieldOf(copy, key); !field->empty())
      std::fprintf(out, "tag.%s: %s\n", key, OneLine(*field).c_str());
  if (tags.cover)
    std::fprintf(out, "cover: %s %zu bytes\n", tags.cover->mimeType.c_str(),
                 tags.cover->data.size());
}

}  // namespace quillon
