#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "codecs/markerlist.h"
#include "codecs/tags.h"

namespace quillon {

// CUE sheets: one TRACK per marker with its TITLE and an "INDEX 01 mm:ss:ff" position, in CD
// frames of 1/75 s, so a position is rounded to the nearest of them.

// Each track's INDEX 01 gives a marker named by the track's TITLE. Problems name their line as
// ParseLabelText's do; tracks of a second FILE are left out (their times count from another
// file).
TMarkerReading ParseCueSheet(std::string_view text, uint32_t sampleRate, int64_t frameCount,
                             const std::string& shownName);
// A track for every marker and every region's start, in order, of the audio file audioName (a
// name without folder); the tags give the sheet's PERFORMER and TITLE.
std::string FormatCueSheet(const TMarkerList& list, uint32_t sampleRate,
                           const std::string& audioName, const TTags& tags);

}  // namespace quillon
