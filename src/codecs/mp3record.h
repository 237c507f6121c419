#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quillon {

// The encoder's configuration record in its LAME layout (structure version 1, 331 bytes), kept
// in a 349-byte block: the form the document stores and the encoder reads. Every member is
// little-endian; every byte that no member covers is 0.
inline constexpr size_t kMp3ConfigSize = 349;
using TMp3Config = std::array<uint8_t, kMp3ConfigSize>;

// The record's identity: the LAME configuration kind, version 1 of its members.
inline constexpr uint32_t kConfigLame = 256;
inline constexpr uint32_t kStructVersion = 1;
inline constexpr uint32_t kStructSize = 331;

// Channel modes.
enum : int32_t { kModeStereo = 0, kModeJointStereo = 1, kModeDualChannel = 2, kModeMono = 3 };

// VBR methods.
enum : int32_t {
  kVbrMethodNone = -1,
  kVbrMethodDefault = 0,
  kVbrMethodOld = 1,
  kVbrMethodNew = 2,
  kVbrMethodMtrh = 3,
  kVbrMethodAbr = 4,
};

// Presets.
enum : int32_t {
  kPresetNone = -1,
  kPresetNormalQuality = 0,
  kPresetLowQuality = 1,
  kPresetHighQuality = 2,
  kPresetVoiceQuality = 3,
  kPresetR3mix = 4,
  kPresetVeryHighQuality = 5,
  kPresetStandard = 6,
  kPresetFastStandard = 7,
  kPresetExtreme = 8,
  kPresetFastExtreme = 9,
  kPresetInsane = 10,
  kPresetAbr = 11,
  kPresetCbr = 12,
  kPresetMedium = 13,
  kPresetFastMedium = 14,
  kPresetPhone = 1000,
  kPresetSw = 2000,
  kPresetAm = 3000,
  kPresetFm = 4000,
  kPresetVoice = 5000,
  kPresetRadio = 6000,
  kPresetTape = 7000,
  kPresetHifi = 8000,
  kPresetCd = 9000,
  kPresetStudio = 10000,
};

// The record's members in their order. Flags are stored as 0xFFFFFFFF (true) or 0 and read as
// true when not 0.
struct TMp3Record {
  uint32_t config = 0;  // configuration kind
  uint32_t structVersion = 0;
  uint32_t structSize = 0;
  uint32_t sampleRate = 0;
  uint32_t resampleRate = 0;  // 0: the encoder decides
  int32_t mode = 0;           // channel mode
  uint32_t bitrate = 0;       // kbit/s; the minimum for VBR
  uint32_t maxBitrate = 0;    // kbit/s
  int32_t preset = 0;
  uint32_t mpegVersion = 0;  // 1 MPEG-1, 0 MPEG-2
  uint32_t psyModel = 0;
  uint32_t emphasis = 0;
  bool isPrivate = false;
  bool crc = false;
  bool copyright = false;
  bool original = false;
  bool writeVbrHeader = false;
  bool enableVbr = false;
  int32_t vbrQuality = 0;
  uint32_t abrBps = 0;  // ABR target, bit/s
  int32_t vbrMethod = 0;
  bool noReservoir = false;
  bool strictIso = false;
  uint16_t quality = 0;

  bool operator==(const TMp3Record&) const = default;
};

TMp3Config PackMp3Record(const TMp3Record& record);
TMp3Record UnpackMp3Record(const TMp3Config& block);

}  // namespace quillon
