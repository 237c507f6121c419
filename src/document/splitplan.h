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

// One part per region; without regions one per span between markers, named after the marker it
// starts at, the audio before the first marker kept as a part of its own when keepBeforeFirst.
// Kept whole, the spans are the document laid end to end. None without markers or regions.
std::vector<TSplitPart> PlanSplit(const TMarkerList& list, int64_t frameCount,
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

}  // namespace quillon
