#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/markerlist.h"

namespace quillon {

// Markers in WAV files as other editors and libsndfile write and read them: a "cue " chunk with
// one point per marker and region start (its sample offset in frames), and a LIST chunk of type
// "adtl" with a "labl" naming each named point and an "ltxt" giving each region's length.

// The two chunks for list, ready to be appended after the audio; nothing for an empty list.
std::vector<uint8_t> MakeWavMarkerChunks(const TMarkerList& list);
// Appends them to the WAV file at path and mends its RIFF size. Throws EOSError when it cannot.
void AppendWavMarkers(const std::string& path, const TMarkerList& list);

// The markers of a WAV file whose audio has frameCount frames; nothing (and no notice) for a
// file that is no WAV or has none. Never throws: what can be kept is kept, and each kind of
// damage costs one notice (points past the audio or repeating a number, names for no point, a
// chunk that declares more than it holds).
TMarkerReading ReadWavMarkers(const std::string& path, int64_t frameCount);
// The same over a whole file in memory (the fuzz target reads from there).
TMarkerReading ReadWavMarkersFrom(const uint8_t* data, size_t size, int64_t frameCount);

}  // namespace quillon
