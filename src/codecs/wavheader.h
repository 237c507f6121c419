#pragma once

#include <array>
#include <cstdint>

namespace quillon {

inline constexpr uint32_t kWavHeaderSize = 44;

// The canonical 44-byte header of 16-bit PCM WAV files: every working copy and every saved WAV.
using TWavHeader = std::array<uint8_t, kWavHeaderSize>;

TWavHeader MakeWavHeader(uint16_t channels, uint32_t sampleRate, uint32_t dataBytes);

// Sets the RIFF size (data + 36) and the data size fields.
void SetWavDataSize(TWavHeader& header, uint32_t dataBytes);

uint16_t ReadLE16(const uint8_t* bytes);
uint32_t ReadLE32(const uint8_t* bytes);
void WriteLE16(uint8_t* bytes, uint16_t value);
void WriteLE32(uint8_t* bytes, uint32_t value);

// Fields as the document reads them.
inline uint32_t WavRiffSize(const TWavHeader& h) {
  return ReadLE32(h.data() + 4);
}
inline uint16_t WavChannels(const TWavHeader& h) {
  return ReadLE16(h.data() + 22);
}
inline uint32_t WavSampleRate(const TWavHeader& h) {
  return ReadLE32(h.data() + 24);
}
inline uint32_t WavDataSize(const TWavHeader& h) {
  return ReadLE32(h.data() + 40);
}

}  // namespace quillon
