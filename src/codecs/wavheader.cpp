#include "codecs/wavheader.h"

#include <cstring>

namespace quillon {

uint16_t ReadLE16(const uint8_t* b) {
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t ReadLE32(const uint8_t* b) {
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
         (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

void WriteLE16(uint8_t* b, uint16_t v) {
  b[0] = static_cast<uint8_t>(v);
  b[1] = static_cast<uint8_t>(v >> 8);
}

void WriteLE32(uint8_t* b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
}

TWavHeader MakeWavHeader(uint16_t channels, uint32_t sampleRate, uint32_t dataBytes) {
  TWavHeader h{};
  uint16_t blockAlign = static_cast<uint16_t>(channels * 2);
  std::memcpy(h.data(), "RIFF", 4);
  std::memcpy(h.data() + 8, "WAVE", 4);
  std::memcpy(h.data() + 12, "fmt ", 4);
  WriteLE32(h.data() + 16, 16);
  WriteLE16(h.data() + 20, 1);
  WriteLE16(h.data() + 22, channels);
  WriteLE32(h.data() + 24, sampleRate);
  WriteLE32(h.data() + 28, sampleRate * blockAlign);
  WriteLE16(h.data() + 32, blockAlign);
  WriteLE16(h.data() + 34, 16);
  std::memcpy(h.data() + 36, "data", 4);
  SetWavDataSize(h, dataBytes);
  return h;
}

void SetWavDataSize(TWavHeader& h, uint32_t dataBytes) {
  WriteLE32(h.data() + 4, dataBytes + 36);
  WriteLE32(h.data() + 40, dataBytes);
}

}  // namespace quillon
