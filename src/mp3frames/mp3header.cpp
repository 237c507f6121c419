#include "mp3frames/mp3header.h"

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {

constexpr uint16_t kBitrates[2][15] = {
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};
constexpr uint32_t kRates[3][3] = {
    {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

// The bits of a byte range, most significant first; reading past the end gives zeros and marks
// the reader as overrun.
class TBitReader {
 public:
  TBitReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
  uint32_t Read(unsigned count) {
    uint32_t value = 0;
    for (unsigned i = 0; i < count; ++i, ++bit_) {
      const size_t byte = bit_ / 8;
      if (byte >= size_) {
        overrun_ = true;
        value <<= 1;
        continue;
      }
      value = (value << 1) | ((bytes_[byte] >> (7 - bit_ % 8)) & 1u);
    }
    return value;
  }
  bool Overrun() const { return overrun_; }

 private:
  const uint8_t* bytes_;
  size_t size_;
  size_t bit_ = 0;
  bool overrun_ = false;
};

uint32_t ReadBE32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

void WriteBE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

int VersionRow(TMpegVersion version) {
  return version == TMpegVersion::Mpeg1 ? 0 : version == TMpegVersion::Mpeg2 ? 1 : 2;
}

}  // namespace

uint32_t TMp3Header::SideInfoBytes() const {
  if (version == TMpegVersion::Mpeg1) return channelMode == 3 ? 17 : 32;
  return channelMode == 3 ? 9 : 17;
}

uint32_t Mp3Bitrate(TMpegVersion version, uint8_t bitrateIndex) {
  if (bitrateIndex == 0 || bitrateIndex > 14) return 0;
  return kBitrates[version == TMpegVersion::Mpeg1 ? 0 : 1][bitrateIndex];
}

uint32_t Mp3FrameBytes(TMpegVersion version, uint8_t bitrateIndex, uint8_t rateIndex,
                       bool padding) {
  const uint32_t bitrate = Mp3Bitrate(version, bitrateIndex);
  if (bitrate == 0 || rateIndex > 2) return 0;
  const uint32_t rate = kRates[VersionRow(version)][rateIndex];
  const uint32_t factor = version == TMpegVersion::Mpeg1 ? 144000 : 72000;
  return factor * bitrate / rate + (padding ? 1 : 0);
}

std::optional<TMp3Header> ParseMp3Header(const uint8_t* bytes, size_t size) {
  if (size < 4 || bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) return std::nullopt;
  TMp3Header header;
  switch ((bytes[1] >> 3) & 3) {
    case 0:
      header.version = TMpegVersion::Mpeg25;
      break;
    case 2:
      header.version = TMpegVersion::Mpeg2;
      break;
    case 3:
      header.version = TMpegVersion::Mpeg1;
      break;
    default:
      return std::nullopt;
  }
  if (((bytes[1] >> 1) & 3) != 1) return std::nullopt;  // Layer III only
  header.crc = (bytes[1] & 1) == 0;
  header.bitrateIndex = bytes[2] >> 4;
  header.rateIndex = (bytes[2] >> 2) & 3;
  header.padding = (bytes[2] >> 1) & 1;
  header.channelMode = bytes[3] >> 6;
  if (header.bitrateIndex == 0 || header.bitrateIndex == 15 || header.rateIndex == 3)
    return std::nullopt;
  if ((bytes[3] & 3) == 2) return std::nullopt;  // reserved emphasis
  header.bitrate = Mp3Bitrate(header.version, header.bitrateIndex);
  header.sampleRate = kRates[VersionRow(header.version)][header.rateIndex];
  header.frameBytes =
      Mp3FrameBytes(header.version, header.bitrateIndex, header.rateIndex, header.padding);
  if (header.frameBytes < header.PayloadOffset()) return std::nullopt;
  return header;
}

std::optional<TSideInfo> ParseSideInfo(const TMp3Header& header, const uint8_t* frame,
                                       size_t size) {
  const uint32_t offset = 4 + (header.crc ? 2u : 0u);
  if (size < offset + header.SideInfoBytes()) return std::nullopt;
  TBitReader bits(frame + offset, header.SideInfoBytes());
  const bool mpeg1 = header.version == TMpegVersion::Mpeg1;
  const unsigned channels = header.Channels();
  TSideInfo info;
  info.mainDataBegin = bits.Read(mpeg1 ? 9 : 8);
  bits.Read(mpeg1 ? (channels == 1 ? 5 : 3) : (channels == 1 ? 1 : 2));
  if (mpeg1) bits.Read(4 * channels);  // scfsi
  uint32_t part23 = 0;
  for (unsigned gr = 0; gr < header.Granules(); ++gr)
    for (unsigned ch = 0; ch < channels; ++ch) {
      part23 += bits.Read(12);
      // big_values, global_gain, scalefac_compress, the window fields and the flags.
      bits.Read(9 + 8 + (mpeg1 ? 4 : 9) + 1 + 22 + (mpeg1 ? 3 : 2));
    }
  if (bits.Overrun()) return std::nullopt;
  info.mainDataBytes = (part23 + 7) / 8;
  return info;
}

uint16_t FrameCrc(const TMp3Header& header, const uint8_t* frame) {
  uint16_t crc = 0xFFFF;
  auto add = [&](uint8_t byte) {
    for (int bit = 7; bit >= 0; --bit) {
      const bool top = (crc & 0x8000) != 0;
      const bool in = (byte >> bit) & 1;
      crc = static_cast<uint16_t>(crc << 1);
      if (top != in) crc ^= 0x8005;
    }
  };
  add(frame[2]);
  add(frame[3]);
  for (uint32_t i = 0; i < header.SideInfoBytes(); ++i) add(frame[6 + i]);
  return crc;
}

void SetMainDataBegin(const TMp3Header& header, uint8_t* frame, uint32_t mainDataBegin) {
  uint8_t* side = frame + 4 + (header.crc ? 2 : 0);
  if (header.version == TMpegVersion::Mpeg1) {
    side[0] = static_cast<uint8_t>(mainDataBegin >> 1);
    side[1] = static_cast<uint8_t>((side[1] & 0x7F) | ((mainDataBegin & 1) << 7));
  } else {
    side[0] = static_cast<uint8_t>(mainDataBegin);
  }
  if (header.crc) {
    const uint16_t crc = FrameCrc(header, frame);
    frame[4] = static_cast<uint8_t>(crc >> 8);
    frame[5] = static_cast<uint8_t>(crc);
  }
}

namespace {

// Where a Xing tag starts: decoders look right after the side information, whatever the CRC.
uint32_t XingOffset(const TMp3Header& header) {
  return 4 + header.SideInfoBytes();
}

}  // namespace

std::optional<TXingTag> ParseXingTag(const TMp3Header& header, const uint8_t* frame, size_t size) {
  size_t at = XingOffset(header);
  size = std::min<size_t>(size, header.frameBytes);
  if (size < at + 8) return std::nullopt;
  TXingTag tag;
  if (std::memcmp(frame + at, "Xing", 4) == 0)
    tag.vbr = true;
  else if (std::memcmp(frame + at, "Info", 4) != 0)
    return std::nullopt;
  const uint32_t flags = ReadBE32(frame + at + 4);
  at += 8;
  auto field = [&](uint32_t flag, size_t bytes, std::optional<uint32_t>* out) {
    if (!(flags & flag)) return true;
    if (size < at + bytes) return false;
    if (out) *out = ReadBE32(frame + at);
    at += bytes;
    return true;
  };
  if (!field(1, 4, &tag.frames) || !field(2, 4, &tag.bytes) || !field(4, 100, nullptr) ||
      !field(8, 4, nullptr))
    return tag;
  // The LAME tag: a 9-byte encoder name, then delay and padding 12 bits each at 21..23.
  constexpr size_t kLameBytes = 36;
  if (size >= at + kLameBytes &&
      (std::memcmp(frame + at, "LAME", 4) == 0 || std::memcmp(frame + at, "Lavf", 4) == 0 ||
       std::memcmp(frame + at, "Lavc", 4) == 0)) {
    const uint8_t* p = frame + at + 21;
    tag.lame = true;
    tag.delay = uint32_t{p[0]} << 4 | p[1] >> 4;
    tag.padding = uint32_t{p[1] & 0x0Fu} << 8 | p[2];
  }
  return tag;
}

bool IsVbriFrame(const TMp3Header& header, const uint8_t* frame, size_t size) {
  constexpr size_t kVbriOffset = 36;
  return std::min<size_t>(size, header.frameBytes) >= kVbriOffset + 4 &&
         std::memcmp(frame + kVbriOffset, "VBRI", 4) == 0;
}

uint16_t LameCrc(uint16_t crc, const uint8_t* bytes, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

std::vector<uint8_t> MakeXingFrame(const TMp3Header& header, bool vbr, uint32_t frameCount,
                                   uint32_t streamBytes, const std::array<uint8_t, 100>& toc,
                                   uint32_t delay, uint32_t padding, uint16_t musicCrc) {
  constexpr uint32_t kXingFields = 8 + 4 + 4 + 100 + 4, kLameBytes = 36;
  const uint32_t needed = XingOffset(header) + kXingFields + kLameBytes;
  // The stream's own bitrate where it holds the tag (a CBR file stays one bitrate), else the
  // smallest that does.
  uint8_t index = header.bitrateIndex;
  if (Mp3FrameBytes(header.version, index, header.rateIndex, false) < needed)
    for (index = 1; index < 14; ++index)
      if (Mp3FrameBytes(header.version, index, header.rateIndex, false) >= needed) break;
  std::vector<uint8_t> frame(Mp3FrameBytes(header.version, index, header.rateIndex, false), 0);
  const uint8_t versionBits = header.version == TMpegVersion::Mpeg1   ? 3
                              : header.version == TMpegVersion::Mpeg2 ? 2
                                                                      : 0;
  frame[0] = 0xFF;
  // Layer III, no CRC: decoders read the tag at the offset of a frame without one.
  frame[1] = static_cast<uint8_t>(0xE0 | versionBits << 3 | 1 << 1 | 1);
  frame[2] = static_cast<uint8_t>(index << 4 | header.rateIndex << 2);
  frame[3] = static_cast<uint8_t>(header.channelMode << 6);
  uint8_t* p = frame.data() + XingOffset(header);
  std::memcpy(p, vbr ? "Xing" : "Info", 4);
  WriteBE32(p + 4, 0x0F);
  WriteBE32(p + 8, frameCount);
  WriteBE32(p + 12, streamBytes);
  std::copy(toc.begin(), toc.end(), p + 16);
  WriteBE32(p + 116, 0);  // quality: not known for copied frames
  uint8_t* lame = p + kXingFields;
  std::memcpy(lame, "LAME3.100", 9);
  lame[9] = vbr ? 0x04 : 0x01;  // tag revision 0; VBR method: vbr-mtrh / cbr
  lame[20] = static_cast<uint8_t>(std::min<uint32_t>(header.bitrate, 255));
  lame[21] = static_cast<uint8_t>(delay >> 4);
  lame[22] = static_cast<uint8_t>((delay & 0x0F) << 4 | (padding >> 8 & 0x0F));
  lame[23] = static_cast<uint8_t>(padding);
  WriteBE32(lame + 28, streamBytes);
  lame[32] = static_cast<uint8_t>(musicCrc >> 8);
  lame[33] = static_cast<uint8_t>(musicCrc);
  const size_t crcAt = static_cast<size_t>(lame + 34 - frame.data());
  const uint16_t tagCrc = LameCrc(0, frame.data(), crcAt);
  lame[34] = static_cast<uint8_t>(tagCrc >> 8);
  lame[35] = static_cast<uint8_t>(tagCrc);
  return frame;
}

}  // namespace quillon
