#pragma once

#include <cstdint>
#include <string>

#include "codecs/markerlist.h"
#include "codecs/tags.h"

namespace quillon {

// Marker files by their extension: a .cue sheet, or else a label file (.txt).
bool IsCueSheetName(const std::string& path);

// Reads the markers of path for audio of frameCount frames at sampleRate. A file that cannot be
// read, or is larger than any marker file, gives no markers and one notice.
TMarkerReading ReadMarkerFile(const std::string& path, uint32_t sampleRate, int64_t frameCount);
// Writes list to path; a CUE sheet names audioName as its audio file. Throws Exception naming
// path when it cannot.
void WriteMarkerFile(const std::string& path, const TMarkerList& list, uint32_t sampleRate,
                     const std::string& audioName, const TTags& tags);

// The status line for line `line` of shownName, left out because it could not be read, or
// because it lies past the end of the audio.
std::string MarkerLineNotice(size_t line, const std::string& shownName, bool pastEnd = false);
// The status line for a file of more than kMaxMarkers markers.
std::string TooManyMarkersNotice(const std::string& shownName);

}  // namespace quillon
