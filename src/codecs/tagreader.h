#pragma once

#include <string>
#include <vector>

#include "codecs/chapters.h"
#include "codecs/tags.h"

namespace TagLib {
class IOStream;
}

namespace quillon {

// What a file's tags gave, and the status-bar lines for what had to be left out.
struct TTagReading {
  TTags tags;
  std::vector<std::string> notices;
  // The chapters of an MP3's ID3v2 tag or of a Vorbis comment, as they stand in the tag: the
  // audio they are fitted to is not known here.
  TChapterFind chapters;
};

// Reads the tags and the front cover (else the first picture) of an audio file in whatever form
// it carries them: ID3v1/v2 (MP3, and WAV's id3 chunk), Vorbis comments and pictures (FLAC, Ogg
// Vorbis, Opus), RIFF INFO (WAV), ASF attributes (WMA), MP4 atoms. Never throws and never stops
// an open: a tag it cannot read, or one that asks for more memory than a tag may hold, is left
// out with a notice; so is a cover above kMaxCoverBytes.
TTagReading ReadTags(const std::string& path);
// The same over any stream (the fuzz target reads from memory).
TTagReading ReadTagsFrom(TagLib::IOStream& stream);

}  // namespace quillon
