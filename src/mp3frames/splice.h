// splice: an MP3 save that copies every frame of the source whose samples the document still
// has, byte for byte, and encodes only the rest with a short bridge at each join, keeping the bit
// reservoir right and writing a new Xing/Info frame with the LAME tag's delay and padding, so that
// a gapless decoder gives exactly the document's frames.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "mp3frames/bridgeencoder.h"
#include "mp3frames/sourcemap.h"
#include "platform/cancel.h"

namespace quillon {

struct TSpliceStats {
  uint64_t copied = 0;
  uint64_t encoded = 0;
  // Runs of encoded frames between copied ones (or at an end).
  uint64_t joins = 0;
};

struct TSpliceResult {
  // The key of the constant saying why the frames could not be kept; empty once written.
  std::string refusal;
  TSpliceStats stats;
};

// Writes the document (frames frames of channels at rate, read through read) to path as an MP3
// built from map's source. Refuses (writing nothing useful) when the source cannot be copied or
// has another rate or channel count; the caller then encodes the whole document. Throws what the
// file writer throws, ECancelled once cancel is.
TSpliceResult WriteSplicedMp3(const TSourceMap& map, uint64_t frames, uint16_t channels,
                              uint32_t rate, const TDocumentReader& read, const std::string& path,
                              std::atomic<int32_t>& progress, const TCancelToken& cancel = {});

}  // namespace quillon
