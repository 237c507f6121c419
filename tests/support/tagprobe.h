#pragma once

#include <map>
#include <string>

namespace quillon::test {

// What ffprobe reads of a file's tags: the container's tags with those of its audio stream
// (where Ogg keeps them), under FFmpeg's names (title, artist, album, album_artist, date, track,
// genre, comment), and the codec of the attached picture stream, empty when there is none.
struct TProbedTags {
  std::map<std::string, std::string> tags;
  std::string coverCodec;
  int coverBytes = 0;
};

TProbedTags ProbeTags(const std::string& path);
bool HaveFfprobe();

}  // namespace quillon::test
