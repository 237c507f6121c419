// bridgeencoder: encodes the frames of a lossless MP3 save that cannot be copied, aligned to the
// frame grid of the file they go into, each frame's main data inside the frame itself so that
// the save can place it beside bytes carried from the source.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "mp3frames/mp3header.h"

namespace quillon {

// One frame LAME wrote: its header and side information, and its main data apart.
struct TBridgeFrame {
  TMp3Header header;
  // Header, CRC and side information as LAME wrote them.
  std::vector<uint8_t> head;
  std::vector<uint8_t> mainData;
};

// Document frames [first, first + count) into out (interleaved); frames outside the document
// read as silence.
using TDocumentReader = std::function<void(int64_t first, uint64_t count, int16_t* out)>;

// Encodes the frames whose decoded samples start at document frame firstSample (which may be
// negative, before the document), frameCount of them, at kbit/s bitrate in format's version,
// rate and channel mode, with a CRC when format has one. Warm-up frames ahead of them are encoded
// and dropped so that the first kept frame is as good as any. Empty when LAME refuses.
std::vector<TBridgeFrame> EncodeBridge(const TMp3Header& format, uint32_t bitrate,
                                       int64_t firstSample, uint64_t frameCount,
                                       const TDocumentReader& read);

}  // namespace quillon
