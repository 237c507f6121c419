#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "codecs/markerlist.h"

namespace quillon {

class TCliSession;

// A marker option of the edit command, run in the command line's order with the operations.
using TMarkerStep = std::function<bool(TCliSession&)>;

// --marker FRAME[:NAME], --region A:B[:NAME], --markers-from FILE (a .cue sheet, else a label
// file; its markers are added) and --no-markers (removes them all). None when the option is not
// one of them; a malformed one sets bad after naming the argument on stderr.
std::optional<TMarkerStep> ParseMarkerOption(std::string_view option, const char* value, bool& bad);
// Whether the option takes a value: an argument ParseMarkerOption consumed.
bool MarkerOptionTakesValue(std::string_view option);

// Writes the document's markers to path (--markers-to); a CUE sheet names audioPath's file.
bool WriteMarkersTo(TCliSession& session, const std::string& path, const std::string& audioPath);

// "marker: FRAME NAME" per marker, then "region: START END NAME" per region, names on one line.
void PrintMarkers(const TMarkerList& list, std::FILE* out);

}  // namespace quillon
