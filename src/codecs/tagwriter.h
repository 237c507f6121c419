#pragma once

#include <string>

#include "codecs/chapters.h"
#include "codecs/encodersettings.h"
#include "codecs/tags.h"

namespace quillon {

// Writes tags into a file just saved in format, in that format's own form: ID3v2.3 before the
// first MP3 frame (ID3v1 and APE removed), a Vorbis comment and a picture block in FLAC, a
// Vorbis comment with METADATA_BLOCK_PICTURE in Ogg Vorbis and Opus, LIST/INFO in WAV (UTF-8)
// with an ID3v2.4 chunk besides when INFO cannot carry everything (a cover, an album artist,
// several values). Several values of a field are repeated comments in Vorbis comments, separate
// texts of one frame in ID3v2.4; ID3v2.3 joins them with "/" and INFO with "; ", as one text.
// Pictures record their width, height and depth. A Vorbis comment keeps the encoder's name the
// muxer wrote. Chapters go with the tags of MP3 (CHAP and CTOC frames) and of Vorbis comments
// (CHAPTERnnn fields); a WAV carries its markers in chunks of its own instead. Empty tags without
// chapters write nothing. Throws Exception naming shownName (the file the user chose, which path
// is to replace) and the reason when it cannot.
void WriteTags(const std::string& path, TSaveFormat format, const TTags& tags,
               const std::string& shownName, const std::vector<TChapter>& chapters = {});

}  // namespace quillon
