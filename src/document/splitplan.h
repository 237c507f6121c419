#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codecs/markerlist.h"
#include "codecs/tags.h"

namespace quillon {

// One file of a split: frames start to stop - 1, named after its marker or region.
struct TSplitPart {
  int64_t start = 0;
  int64_t stop = 0;
  std::string name;
};

// What a split cuts at: every marker (the spans between them), every region, or the regions when
// there are any and else the markers.
enum class TSplitBy { markers, regions, regionsElseMarkers };

// One part per region; without regions one per span between markers, named after the marker it
// starts at, the audio before the first marker kept as a part of its own when keepBeforeFirst.
// Kept whole, the spans are the document laid end to end. None without markers or regions.
std::vector<TSplitPart> PlanSplit(const TMarkerList& list, int64_t frameCount,
                                  bool keepBeforeFirst);
// The same by the user's choice: by markers the regions play no part, by regions the markers.
std::vector<TSplitPart> PlanSplit(const TMarkerList& list, int64_t frameCount, TSplitBy by,
                                  bool keepBeforeFirst);

// The file name of part number (from 1) of total, by pattern: %n the number with leading zeros
// to the width of total, %t the total, %m the part's name, %s sourceBase, %% a percent sign;
// then extension. A character no file name may hold becomes "_", and an empty name a number.
std::string SplitFileName(const std::string& pattern, const TSplitPart& part, size_t number,
                          size_t total, const std::string& sourceBase,
                          const std::string& extension);

// The document's tags for part number of total: the track "number/total" and, when the part
// has a name, that as its title.
TTags SplitTags(const TTags& tags, const TSplitPart& part, size_t number, size_t total);

// How the user asked a document to be split (Export Regions, quillon-cli split).
struct TSplitChoice {
  TSplitBy by = TSplitBy::regionsElseMarkers;
  bool keepBeforeFirst = true;
  std::string pattern = "%n %m";
  // Without the dot: wav, mp3, flac, ogg, opus.
  std::string extension = "wav";
  std::string folder;
};

// One file a split writes: its part, its name in the folder, its full path and its tags.
struct TSplitFile {
  TSplitPart part;
  std::string name;
  std::string path;
  TTags tags;
};

// The files of a split of a document (its markers, length, tags and source file's path). When
// the pattern gives two parts one name, duplicate is that name and the files are still listed.
struct TSplitFiles {
  std::vector<TSplitFile> files;
  std::string duplicate;
};
TSplitFiles PlanSplitFiles(const TMarkerList& list, int64_t frameCount, const TTags& tags,
                           const std::string& sourcePath, const TSplitChoice& choice);

}  // namespace quillon
