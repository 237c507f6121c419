#pragma once

#include <cstdint>
#include <vector>

#include "codecs/mp3settings.h"

namespace quillon {

// The chunk interface of the LAME encoder: a configuration record in, MP3 frames out, with the
// error codes callers report. Implemented over libmp3lame.

struct TLameStream;
using THbeStream = TLameStream*;

inline constexpr uint32_t kBeErrSuccessful = 0;
inline constexpr uint32_t kBeErrInvalidFormat = 1;
inline constexpr uint32_t kBeErrInvalidFormatParameters = 2;
inline constexpr uint32_t kBeErrNoMoreHandles = 3;
inline constexpr uint32_t kBeErrInvalidHandle = 4;
inline constexpr uint32_t kBeErrBufferTooSmall = 5;

// Starts an encoder for the record. samplesPerChunk receives how many 16-bit samples (all
// channels together) one chunk holds, outputBufferSize how many bytes the output of one chunk
// (or of the flush) may need. On failure handle is null.
uint32_t beInitStream(const TMp3Config& config, uint32_t& samplesPerChunk,
                      uint32_t& outputBufferSize, THbeStream& handle);

// Encodes sampleCount interleaved samples (at most one chunk) into output, which holds at least
// outputBufferSize bytes; outputBytes receives how many it filled.
uint32_t beEncodeChunk(THbeStream handle, uint32_t sampleCount, const int16_t* samples,
                       uint8_t* output, uint32_t& outputBytes);

// Flushes the frames still held back into output (outputBufferSize bytes).
uint32_t beDeinitStream(THbeStream handle, uint8_t* output, uint32_t& outputBytes);

// The final Xing/Info frame, to be written over the file's first frame after the flush. Every
// stream has one, whatever the record's header member says.
uint32_t beGetVBRHeaderFrame(THbeStream handle, std::vector<uint8_t>& frame);

// Releases the encoder; the handle is invalid afterwards.
uint32_t beCloseStream(THbeStream handle);

}  // namespace quillon
