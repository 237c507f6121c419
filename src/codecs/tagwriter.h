#pragma once

#include <string>

#include "codecs/encodersettings.h"
#include "codecs/tags.h"

namespace quillon {

// Writes tags into a file just saved in format, in that format's own form: ID3v2.3 before the
// first MP3 frame (ID3v1 and APE removed), a Vorbis comment and a picture block in FLAC, a
// Vorbis comment with METADATA_BLOCK_PICTURE in Ogg Vorbis and Opus, LIST/INFO in WAV (UTF-8)
// with an id3 chunk besides when INFO cannot carry everything (a cover, an album artist).
// Empty tags write nothing. Throws Exception naming shownName (the file the user chose, which
// path is to replace) and the reason when it cannot.
void WriteTags(const std::string& path, TSaveFormat format, const TTags& tags,
               const std::string& shownName);

}  // namespace quillon
