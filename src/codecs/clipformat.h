#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quillon {

// Clip audio that would convert to more bytes than this is refused: no store could hold it, and
// a small block with an odd rate or layout must not make paste allocate without limit.
inline constexpr uint64_t kMaxClipAudioBytes = 2174483647;

// The audio of a WAV block from the clipboard, converted to the document's format: interleaved
// 16-bit samples with `channels` (1 or 2) channels at `sampleRate`. None when the block holds no
// PCM audio (or a rate more than 64 times off the document's). Any bytes are safe to pass: the
// block may come from any program.
std::optional<std::vector<int16_t>> ReadClipAudio(const uint8_t* block, size_t size,
                                                  uint16_t channels, uint32_t sampleRate);

// The block copy puts on the clipboard: a canonical header for the format, then the samples.
std::vector<uint8_t> MakeClipBlock(uint16_t channels, uint32_t sampleRate, const int16_t* samples,
                                   size_t count);

}  // namespace quillon
