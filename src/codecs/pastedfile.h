#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>
#include "platform/cancel.h"

namespace quillon {

// Decoded audio of a pasted file beyond this is refused: paste holds the converted clip in
// memory, and half a gigabyte is already most of an hour of CD audio.
inline constexpr int64_t kMaxFileClipBytes = int64_t{512} << 20;

// The audio of a pasted file, or why there is none.
struct TFileClip {
  std::vector<int16_t> samples;
  // Empty when samples hold the audio; otherwise the message for the user.
  std::string refusal;
};

// Decodes the one file in paths the way Open does and converts it to the document's format:
// interleaved 16-bit samples with `channels` channels at `sampleRate`. Several files, a missing
// file, a file that is not audio, an empty one or one beyond kMaxFileClipBytes (before or after
// conversion) are refused with a message naming the file. progress counts the decode 0..100;
// the decoded copy lives in tempFolder while it is read. maxBytes lowers the limit for tests. A
// stop asked for through cancel throws ECancelled, with the decoded copy gone.
TFileClip ReadFileClip(const std::vector<std::string>& paths, uint16_t channels,
                       uint32_t sampleRate, std::atomic<int32_t>& progress,
                       const std::string& tempFolder, int64_t maxBytes = kMaxFileClipBytes,
                       const TCancelToken& cancel = {});

}  // namespace quillon
