#include "codecs/infoframe.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace quillon {

namespace {

// The Xing part (tag, flags, frames, bytes, 100-entry seek table, quality) and the LAME part.
constexpr size_t kXingBytes = 120;
constexpr size_t kLameBytes = 36;
constexpr size_t kHeaderBytes = 4;
// The Xing fields present: frames, bytes, seek table, quality.
constexpr uint32_t kXingFlags = 0x0F;
// The LAME tag's method nibble for constant bitrate.
constexpr uint8_t kMethodCbr = 1;
// Delay and padding each have 12 bits.
constexpr int kMaxPad = 4095;

bool IsMpeg1(uint32_t rate) {
  return rate >= 32000;
}

bool IsMpeg25(uint32_t rate) {
  return rate < 16000;
}

size_t SideInfoBytes(uint32_t rate, bool mono) {
  if (IsMpeg1(rate)) return mono ? 17 : 32;
  return mono ? 9 : 17;
}

size_t FrameBytes(uint32_t rate, int kbps) {
  return static_cast<size_t>(int64_t{IsMpeg1(rate) ? 144000 : 72000} * kbps / rate);
}

int HeaderKbps(uint32_t rate) {
  return IsMpeg1(rate) ? 128 : IsMpeg25(rate) ? 32 : 64;
}

// The header's bitrate index of HeaderKbps.
uint8_t HeaderBitrateIndex(uint32_t rate) {
  return IsMpeg1(rate) ? 9 : IsMpeg25(rate) ? 4 : 8;
}

// 44100, 22050 and 11025 are index 0, 48000, 24000 and 12000 index 1, the rest index 2.
uint8_t RateIndex(uint32_t rate) {
  switch (rate) {
    case 44100:
    case 22050:
    case 11025:
      return 0;
    case 48000:
    case 24000:
    case 12000:
      return 1;
    default:
      return 2;
  }
}

void Put(std::vector<uint8_t>& frame, size_t& at, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) frame[at++] = static_cast<uint8_t>(value >> (8 * i));
}

// CRC-16 with the polynomial 0x8005, bits reflected, starting at 0: the LAME tag's checksum.
uint16_t Crc16(const uint8_t* data, size_t size) {
  uint16_t crc = 0;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

void PutHeader(std::vector<uint8_t>& frame, const TInfoFrameFacts& f) {
  const uint8_t version = IsMpeg1(f.sampleRate) ? 3 : IsMpeg25(f.sampleRate) ? 0 : 2;
  frame[0] = 0xFF;
  // Sync, version, layer III, no checksum.
  frame[1] = static_cast<uint8_t>(0xE0 | version << 3 | 1 << 1 | 1);
  frame[2] =
      static_cast<uint8_t>(HeaderBitrateIndex(f.sampleRate) << 4 | RateIndex(f.sampleRate) << 2);
  frame[3] = f.mono ? 0xC0 : 0x00;
}

void PutXing(std::vector<uint8_t>& frame, size_t& at, const TInfoFrameFacts& f) {
  std::memcpy(&frame[at], "Info", 4);
  at += 4;
  Put(frame, at, kXingFlags, 4);
  Put(frame, at, f.audioFrames, 4);
  Put(frame, at, std::min<uint64_t>(f.fileBytes, UINT32_MAX), 4);
  // A constant bitrate makes the seek table a straight line.
  for (int i = 0; i < 100; ++i) frame[at++] = static_cast<uint8_t>(i * 256 / 100);
  Put(frame, at, 0, 4);
}

void PutLame(std::vector<uint8_t>& frame, size_t& at, const TInfoFrameFacts& f) {
  const std::string version = std::string("LAME") + get_lame_short_version();
  for (size_t i = 0; i < 9; ++i) frame[at++] = i < version.size() ? version[i] : ' ';
  frame[at++] = kMethodCbr;
  frame[at++] = static_cast<uint8_t>(std::clamp(f.lowpassHz / 100, 0, 255));
  at += 4 + 2 + 2 + 1;  // peak and the two gains are unknown; no noise-shaping flags
  frame[at++] = static_cast<uint8_t>(std::clamp(f.kbps, 0, 255));
  const uint32_t delay = static_cast<uint32_t>(std::clamp(f.delay, 0, kMaxPad));
  const uint32_t padding = static_cast<uint32_t>(std::clamp(f.padding, 0, kMaxPad));
  Put(frame, at, delay << 12 | padding, 3);
  at += 1 + 1 + 2;  // no misc flags, no gain, no preset
  Put(frame, at, std::min<uint64_t>(f.fileBytes, UINT32_MAX), 4);
  at += 2;  // the music checksum is not kept
  Put(frame, at, Crc16(frame.data(), at), 2);
}

}  // namespace

bool StreamFrameHoldsInfo(uint32_t sampleRate, bool mono, int kbps) {
  if (sampleRate == 0) return false;
  return FrameBytes(sampleRate, kbps) >=
         kHeaderBytes + SideInfoBytes(sampleRate, mono) + kXingBytes + kLameBytes;
}

size_t InfoFrameSize(uint32_t sampleRate) {
  return sampleRate == 0 ? 0 : FrameBytes(sampleRate, HeaderKbps(sampleRate));
}

std::vector<uint8_t> MakeInfoFrame(const TInfoFrameFacts& facts) {
  std::vector<uint8_t> frame(InfoFrameSize(facts.sampleRate), 0);
  const size_t tagStart = kHeaderBytes + SideInfoBytes(facts.sampleRate, facts.mono);
  if (frame.size() < tagStart + kXingBytes + kLameBytes) return {};
  PutHeader(frame, facts);
  size_t at = tagStart;
  PutXing(frame, at, facts);
  PutLame(frame, at, facts);
  return frame;
}

}  // namespace quillon
