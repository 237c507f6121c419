#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

// A front cover picture as a tag carries it.
struct TCoverPicture {
  std::string mimeType;  // "image/jpeg", "image/png", ...
  std::string description;
  std::vector<uint8_t> data;

  bool operator==(const TCoverPicture&) const = default;
};

// What a file says about its audio besides the samples: the fields every tag form has, and the
// front cover. Texts are UTF-8; an empty text is an absent field. They belong to the document,
// not to a state of its audio, so edits, undo and redo keep them.
struct TTags {
  std::string title;
  std::string artist;
  std::string album;
  std::string albumArtist;
  std::string year;
  std::string track;
  std::string genre;
  std::string comment;
  std::optional<TCoverPicture> cover;

  bool Empty() const {
    return title.empty() && artist.empty() && album.empty() && albumArtist.empty() &&
           year.empty() && track.empty() && genre.empty() && comment.empty() && !cover;
  }
  bool operator==(const TTags&) const = default;
};

}  // namespace quillon
