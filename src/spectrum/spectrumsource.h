#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "document/largefile.h"

namespace quillon {

// The samples a spectrogram is made from: one state's store, read through its thread-safe bulk
// reads, and the format that says how to read it. Keeps the store alive.
struct TSpectrumSource {
  std::shared_ptr<const TLargeFile> store;
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint32_t frameCount = 0;
};

// Frames first .. first + count - 1 as they are stored, channels interleaved, into interleaved;
// frames outside the document are zeros.
void ReadFrames(const TSpectrumSource& source, int64_t first, int32_t count,
                std::vector<int16_t>& interleaved);
// Interleaved frames as -1..1, channel by channel (count values each) into planar.
void SplitChannels(const std::vector<int16_t>& interleaved, int32_t channels, int32_t count,
                   std::vector<float>& planar);

// Frames first .. first + count - 1 of every channel as -1..1, channel by channel (count values
// each) into planar; frames outside the document are zeros. scratch is the caller's, kept to
// spare allocations.
void ReadPlanarFrames(const TSpectrumSource& source, int64_t first, int32_t count,
                      std::vector<int16_t>& scratch, std::vector<float>& planar);

// Columns at hop frames: column c's window of size frames is centred on frame c * hop.
inline int64_t SpectrumColumnCount(uint32_t frameCount, int32_t hop) {
  return frameCount == 0 ? 0 : (static_cast<int64_t>(frameCount) - 1) / hop + 1;
}

}  // namespace quillon
