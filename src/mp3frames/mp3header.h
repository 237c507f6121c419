// mp3header: one MPEG audio Layer III frame read from its bytes: the header, the side
// information's bit-reservoir pointer and main-data size, and the Xing/Info and LAME tag that an
// encoder puts in a file's first frame. Every reader takes a length and never looks past it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quillon {

enum class TMpegVersion : uint8_t { Mpeg1, Mpeg2, Mpeg25 };

// The four header bytes, decoded. Only Layer III headers with a real bitrate and rate are taken.
struct TMp3Header {
  TMpegVersion version = TMpegVersion::Mpeg1;
  bool crc = false;          // a CRC-16 follows the header
  uint8_t bitrateIndex = 0;  // 1..14 (0 is free format, 15 forbidden)
  uint8_t rateIndex = 0;     // 0..2
  bool padding = false;
  uint8_t channelMode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
  uint32_t bitrate = 0;     // kbit/s
  uint32_t sampleRate = 0;
  uint32_t frameBytes = 0;  // the whole frame, header included

  uint16_t Channels() const { return channelMode == 3 ? 1 : 2; }
  // 1152 for MPEG-1, 576 for MPEG-2 and 2.5.
  uint32_t SamplesPerFrame() const { return version == TMpegVersion::Mpeg1 ? 1152 : 576; }
  uint32_t Granules() const { return version == TMpegVersion::Mpeg1 ? 2 : 1; }
  // Side information bytes: 32/17 for MPEG-1 stereo/mono, 17/9 for MPEG-2.
  uint32_t SideInfoBytes() const;
  // Where the main data area of the frame starts (after header, CRC and side information).
  uint32_t PayloadOffset() const { return 4 + (crc ? 2u : 0u) + SideInfoBytes(); }
  uint32_t PayloadBytes() const { return frameBytes - PayloadOffset(); }
  // The largest main_data_begin this version can express.
  uint32_t MaxReservoir() const { return version == TMpegVersion::Mpeg1 ? 511 : 255; }
};

// Decodes a header; none for anything that is not a usable Layer III header (free format,
// reserved fields, other layers).
std::optional<TMp3Header> ParseMp3Header(const uint8_t* bytes, size_t size);
// The frame size this header would have at another bitrate index and padding.
uint32_t Mp3FrameBytes(TMpegVersion version, uint8_t bitrateIndex, uint8_t rateIndex, bool padding);
// The kbit/s of a bitrate index; 0 when there is none.
uint32_t Mp3Bitrate(TMpegVersion version, uint8_t bitrateIndex);

// What the side information says about the frame's main data.
struct TSideInfo {
  uint32_t mainDataBegin = 0;  // bytes before the payload where the main data starts
  uint32_t mainDataBytes = 0;  // the sum of part2_3_length, in whole bytes
};
// Reads the side information of a whole frame (frame holds header.frameBytes bytes).
std::optional<TSideInfo> ParseSideInfo(const TMp3Header& header, const uint8_t* frame, size_t size);
// Writes main_data_begin into a frame's side information, and its CRC anew when it has one.
void SetMainDataBegin(const TMp3Header& header, uint8_t* frame, uint32_t mainDataBegin);
// The frame's CRC-16 (over header bytes 2 and 3 and the side information).
uint16_t FrameCrc(const TMp3Header& header, const uint8_t* frame);

// The Xing/Info frame at the start of a file and the LAME tag inside it.
struct TXingTag {
  bool vbr = false;  // "Xing" rather than "Info"
  std::optional<uint32_t> frames;
  std::optional<uint32_t> bytes;
  bool lame = false;     // a LAME tag with delay and padding follows
  uint32_t delay = 0;    // encoder delay in samples (12 bits)
  uint32_t padding = 0;  // padding at the end in samples (12 bits)
};
// The tag of a frame when it is an Xing/Info frame; none for an audio frame.
std::optional<TXingTag> ParseXingTag(const TMp3Header& header, const uint8_t* frame, size_t size);
// Whether the frame is a VBRI (Fraunhofer) header frame.
bool IsVbriFrame(const TMp3Header& header, const uint8_t* frame, size_t size);

// An Info (CBR) or Xing (VBR) frame with a LAME tag for a stream of frameCount audio frames and
// streamBytes bytes (this frame included), whose decoders skip delay samples at the start and
// padding at the end; toc holds each hundredth's byte share (0..255), musicCrc the CRC of the
// audio frames' bytes. The frame takes header's version, rate and mode at the smallest bitrate
// that holds the tag.
std::vector<uint8_t> MakeXingFrame(const TMp3Header& header, bool vbr, uint32_t frameCount,
                                   uint32_t streamBytes, const std::array<uint8_t, 100>& toc,
                                   uint32_t delay, uint32_t padding, uint16_t musicCrc);
// The CRC-16 that the LAME tag uses (polynomial 0x8005, reflected, starting at 0), continued.
uint16_t LameCrc(uint16_t crc, const uint8_t* bytes, size_t size);

}  // namespace quillon
