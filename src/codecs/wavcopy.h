#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "codecs/cache.h"
#include "platform/cancel.h"

namespace quillon {

// Where the audio of a plain 16-bit PCM WAV file lies: such a file's data is the working copy's
// data byte for byte, so opening it needs no decoding.
struct TPlainWav {
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint64_t dataOffset = 0;
  uint64_t dataBytes = 0;  // whole frames only, as the decoder takes them
};

// The layout of path when it is a plain 16-bit PCM WAV (WAVE_FORMAT_PCM or its extensible form,
// one or two channels). None for anything unusual: the format after the data, odd chunk sizes
// before it, a second format or data chunk, RF64. Such files go through the decoder instead.
std::optional<TPlainWav> ReadPlainWav(const std::string& path);

// Writes the working copy of such a file to output: the canonical header, then the audio copied
// by the kernel, then one pass over the new file into filter. Progress runs 0 to 100. Returns
// the data bytes written. Throws EOSError when a file cannot be read or written.
int64_t CopyPlainWav(const std::string& source, const TPlainWav& wav, const std::string& output,
                     TFilter& filter, std::atomic<int32_t>& progress,
                     const TCancelToken& cancel = {});

}  // namespace quillon
