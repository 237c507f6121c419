#pragma once

#include "codecs/chapters.h"

namespace TagLib::ID3v2 {
class Tag;
}

namespace quillon {

// Chapters in ID3v2 tags: a CHAP frame for each, timed in milliseconds (a marker ends where it
// starts), its name in an embedded TIT2, and a top-level CTOC listing them by their start. The
// CTOC says it is ordered when its regions follow one another without overlapping (a marker
// inside a region is no overlap).
void PutId3Chapters(TagLib::ID3v2::Tag& tag, const std::vector<TChapter>& chapters);
// The CHAP frames of tag: those the top-level CTOC lists in its order, then any others as the tag
// holds them.
TChapterFind Id3ChaptersOf(const TagLib::ID3v2::Tag& tag);

}  // namespace quillon
