#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codecs/markerlist.h"

namespace quillon {

// Markers as the tag forms of MP3, FLAC, Ogg Vorbis and Opus hold them: chapters timed in
// milliseconds. A marker is a chapter without an end (in ID3v2, one that ends where it starts);
// a region is one with its end.
struct TChapter {
  uint64_t startMs = 0;
  std::optional<uint64_t> endMs;
  std::string name;

  bool operator==(const TChapter&) const = default;
};

// The chapters a tag gave, in the order it gives them, and what was wrong on the way.
struct TChapterFind {
  std::vector<TChapter> chapters;
  // The order is the file's claim (chapter numbers, an ordered table of contents): a chapter
  // that starts before the one it follows is a fault; when sequential too (the table of
  // contents), so is one with an end that starts inside an earlier one.
  bool ordered = false;
  bool sequential = false;
  size_t badTimes = 0;     // no readable start, or an end before the start
  size_t orphanNames = 0;  // names for no chapter
  size_t duplicates = 0;   // a number or id given twice: the first is kept
  bool tooMany = false;    // more than kMaxMarkers: the rest were not read
};

// Frames and milliseconds, each rounded to the nearest, halves up. A frame goes to a
// millisecond and back to within half a millisecond; the millisecond of that frame is the same
// again, so that saving a reopened file changes nothing.
uint64_t FrameToMs(int64_t frame, uint32_t sampleRate);
int64_t MsToFrame(uint64_t ms, uint32_t sampleRate);

// The chapters of list, by their start: markers first where a marker and a region start
// together. A region keeps at least one millisecond, so that it stays one when read back.
std::vector<TChapter> ChaptersOf(const TMarkerList& list, uint32_t sampleRate);
// Whether the chapters with an end, in their order, start each at or after the end of those
// before: a marker inside a region is no overlap.
bool ChaptersInSequence(const std::vector<TChapter>& chapters);

// The markers of found in audio of frameCount frames at sampleRate: a chapter past the end is
// left out, one that runs past it ends with it, a chapter without an end (or no longer than a
// millisecond rounds to) is a marker. Each kind of fault costs one notice; shownName names the
// file in the notice of too many.
TMarkerReading MarkersOfChapters(const TChapterFind& found, uint32_t sampleRate, int64_t frameCount,
                                 const std::string& shownName);

}  // namespace quillon
