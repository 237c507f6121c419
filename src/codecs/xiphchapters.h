#pragma once

#include <optional>
#include <string_view>

#include "codecs/chapters.h"

namespace TagLib::Ogg {
class XiphComment;
}

namespace quillon {

// Chapters in Vorbis comments (FLAC, Ogg Vorbis, Opus): CHAPTERnnn=HH:MM:SS.mmm and
// CHAPTERnnnNAME=name, numbered from 001 in the order of their starts. A region's end, which
// these comments have no field for, goes beside them as CHAPTERnnnEND=HH:MM:SS.mmm; readers that
// know only the two keep it as a plain comment.
void PutXiphChapters(TagLib::Ogg::XiphComment& comment, const std::vector<TChapter>& chapters);

// One comment as a reader of chapters takes it.
struct TXiphField {
  std::string_view key;  // upper-case, as TagLib keeps them
  std::string_view value;
};
// The chapters of a comment's fields, by their numbers. A time that cannot be read, a name or
// end for no chapter, and a number given twice each cost a count; a comment that is not a
// chapter's is no concern of this.
TChapterFind XiphChaptersOf(const std::vector<TXiphField>& fields);
TChapterFind XiphChaptersOf(const TagLib::Ogg::XiphComment& comment);

// HH:MM:SS.mmm (more digits of hours when needed).
std::string ChapterTimeText(uint64_t ms);
// H:MM:SS with a fraction of up to nine digits, or none, rounded to the millisecond.
std::optional<uint64_t> ParseChapterTime(std::string_view text);

}  // namespace quillon
