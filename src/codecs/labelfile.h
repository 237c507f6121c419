#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "codecs/markerlist.h"

namespace quillon {

// Label files: one "start<TAB>end<TAB>name" line per marker (start = end) or region, in seconds
// with a decimal point, as other editors and splitters read and write them. Six decimals keep
// every frame exact up to 192 kHz.

// Problems name their line: "Line N of shownName ...". Lines past frameCount are left out, a
// region's end past it is cut there; empty lines and a line of frequencies after a label (it
// starts with a backslash) are passed over.
TMarkerReading ParseLabelText(std::string_view text, uint32_t sampleRate, int64_t frameCount,
                              const std::string& shownName);
std::string FormatLabelText(const TMarkerList& list, uint32_t sampleRate);

}  // namespace quillon
