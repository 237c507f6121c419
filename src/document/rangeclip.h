// rangeclip: a range of a state's frames written out as a WAV clip, piece by piece.
#pragma once

#include <cstdint>

#include "document/audiostate.h"

namespace quillon {

class TFileWriter;

// Frames start to stop - 1 of state as a 16-bit WAV file: the state's header with the range's
// size, then the samples read from the store a piece at a time, so that memory stays bounded
// however long the range. Any thread: the store's reads are thread-safe. Throws Exception for a
// range that does not lie within the state or does not fit a WAV file, EOSError when the store
// cannot be read or the file written.
void WriteRangeClip(const TAudioState& state, uint64_t start, uint64_t stop, TFileWriter& out);

}  // namespace quillon
