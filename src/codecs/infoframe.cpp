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

// The layer III bitrates of MPEG-1, and of MPEG-2 and 2.5, by header index.
constexpr int kKbpsMpeg1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr int kKbpsMpeg2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

// LAME's decoder front end reads the first 4 bytes of a stream, then blocks of 100, and wants
// 194 bytes from each of the first two frame starts in hand before it goes on; a file that ends
// before a whole block it needs cannot be read at all. These are the audio bytes after an Info
// frame of this size that it needs.
size_t LameDecoderNeedsAfter(size_t infoBytes) {
  constexpr size_t kFirstRead = 4, kBlock = 100, kLookahead = 194;
  const size_t wanted = infoBytes + kLookahead - kFirstRead;
  return kFirstRead + (wanted + kBlock - 1) / kBlock * kBlock - infoBytes;
}

// The bitrate the encoder gives its own VBR headers: 128 kbit/s for MPEG-1, 64 for MPEG-2, 32
// for MPEG-2.5.
int VbrHeaderKbps(uint32_t rate) {
  return IsMpeg1(rate) ? 128 : IsMpeg25(rate) ? 32 : 64;
}

// The Info frame's bitrate index: of the frames that hold the tags and are no larger than the
// encoder's own VBR headers, the one after which LAME's decoder needs the fewest audio bytes
// (the smallest of those), so that short files open there too. Other decoders take any size.
uint8_t InfoBitrateIndex(uint32_t rate, bool mono) {
  const size_t needed = kHeaderBytes + SideInfoBytes(rate, mono) + kXingBytes + kLameBytes;
  const size_t largest = FrameBytes(rate, VbrHeaderKbps(rate));
  const int* table = IsMpeg1(rate) ? kKbpsMpeg1 : kKbpsMpeg2;
  uint8_t best = 0;
  for (uint8_t index = 1; index < 15; ++index) {
    const size_t bytes = FrameBytes(rate, table[index]);
    if (bytes < needed || bytes > largest) continue;
    if (best == 0 ||
        LameDecoderNeedsAfter(bytes) < LameDecoderNeedsAfter(FrameBytes(rate, table[best])))
      best = index;
  }
  return best;
}

int KbpsOfIndex(uint32_t rate, uint8_t index) {
  return (IsMpeg1(rate) ? kKbpsMpeg1 : kKbpsMpeg2)[index];
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
  frame[2] = static_cast<uint8_t>(InfoBitrateIndex(f.sampleRate, f.mono) << 4 |
                                  RateIndex(f.sampleRate) << 2);
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

// The side information's size for a frame header's version bits (3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5).
size_t SideInfoBytesOfVersion(int version, bool mono) {
  if (version == 3) return mono ? 17 : 32;
  return mono ? 9 : 17;
}

}  // namespace

bool StartsWithInfoFrame(const uint8_t* bytes, size_t size) {
  if (size < kHeaderBytes) return false;
  const int version = (bytes[1] >> 3) & 3;
  const int layer = (bytes[1] >> 1) & 3;
  const int bitrateIndex = bytes[2] >> 4;
  const int rateIndex = (bytes[2] >> 2) & 3;
  const bool header = bytes[0] == 0xFF && (bytes[1] & 0xE0) == 0xE0 && version != 1 && layer == 1 &&
                      bitrateIndex != 0 && bitrateIndex != 15 && rateIndex != 3;
  if (!header) return false;
  const size_t at = kHeaderBytes + SideInfoBytesOfVersion(version, (bytes[3] >> 6) == 3);
  if (size < at + 4) return false;
  return std::memcmp(bytes + at, "Info", 4) == 0 || std::memcmp(bytes + at, "Xing", 4) == 0;
}

bool StreamFrameHoldsInfo(uint32_t sampleRate, bool mono, int kbps) {
  if (sampleRate == 0) return false;
  return FrameBytes(sampleRate, kbps) >=
         kHeaderBytes + SideInfoBytes(sampleRate, mono) + kXingBytes + kLameBytes;
}

size_t InfoFrameSize(uint32_t sampleRate, bool mono) {
  if (sampleRate == 0) return 0;
  const uint8_t index = InfoBitrateIndex(sampleRate, mono);
  return index == 0 ? 0 : FrameBytes(sampleRate, KbpsOfIndex(sampleRate, index));
}

std::vector<uint8_t> MakeInfoFrame(const TInfoFrameFacts& facts) {
  std::vector<uint8_t> frame(InfoFrameSize(facts.sampleRate, facts.mono), 0);
  const size_t tagStart = kHeaderBytes + SideInfoBytes(facts.sampleRate, facts.mono);
  if (frame.size() < tagStart + kXingBytes + kLameBytes) return {};
  PutHeader(frame, facts);
  size_t at = tagStart;
  PutXing(frame, at, facts);
  PutLame(frame, at, facts);
  return frame;
}

}  // namespace quillon
