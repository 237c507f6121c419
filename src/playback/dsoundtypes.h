#pragma once

#include <cstdint>
#include <string>

namespace quillon {

// The records and constants of the sound output interface, with the values its callers pass.

struct TGuid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with upper-case digits.
std::string GuidToString(const TGuid& guid);

// Integer PCM as the extensible format's sub-format.
inline constexpr TGuid kSubFormatPcm = {
    0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

inline constexpr uint16_t WAVE_FORMAT_PCM = 1;
inline constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

struct TWaveFormatEx {
  uint16_t wFormatTag;
  uint16_t nChannels;
  uint32_t nSamplesPerSec;
  uint32_t nAvgBytesPerSec;
  uint16_t nBlockAlign;
  uint16_t wBitsPerSample;
  uint16_t cbSize;
};

// Format comes first so that a pointer to it also reaches the extension (when cbSize >= 22).
struct TWaveFormatExtensible {
  TWaveFormatEx Format;
  uint16_t wValidBitsPerSample;
  uint32_t dwChannelMask;
  TGuid SubFormat;
};

inline constexpr uint16_t kExtensibleExtraSize = 22;

struct TDSBufferDesc {
  uint32_t dwSize = 36;
  uint32_t dwFlags = 0;
  uint32_t dwBufferBytes = 0;
  uint32_t dwReserved = 0;
  const TWaveFormatEx* lpwfxFormat = nullptr;
  TGuid guid3DAlgorithm{};
};

// Buffer capabilities.
inline constexpr uint32_t DSBCAPS_PRIMARYBUFFER = 0x1;
inline constexpr uint32_t DSBCAPS_CTRL3D = 0x10;
inline constexpr uint32_t DSBCAPS_CTRLVOLUME = 0x80;
inline constexpr uint32_t DSBCAPS_CTRLPOSITIONNOTIFY = 0x100;
inline constexpr uint32_t DSBCAPS_GLOBALFOCUS = 0x8000;
inline constexpr uint32_t DSBCAPS_GETCURRENTPOSITION2 = 0x10000;

inline constexpr uint32_t DSBPLAY_LOOPING = 0x1;
inline constexpr uint32_t DSBLOCK_ENTIREBUFFER = 0x2;
// A notification offset that fires when the buffer stops.
inline constexpr uint32_t DSBPN_OFFSETSTOP = 0xFFFFFFFF;
inline constexpr uint32_t DSSCL_NORMAL = 1;

inline constexpr int32_t DSBVOLUME_MIN = -10000;
inline constexpr int32_t DSBVOLUME_MAX = 0;

// Failure codes.
inline constexpr uint32_t DSERR_UNSUPPORTED = 0x80004001;
inline constexpr uint32_t DSERR_GENERIC = 0x80004005;
inline constexpr uint32_t DSERR_OUTOFMEMORY = 0x8007000E;
inline constexpr uint32_t DSERR_INVALIDPARAM = 0x80070057;
inline constexpr uint32_t DSERR_ALLOCATED = 0x800700AA;
inline constexpr uint32_t DSERR_CONTROLUNAVAIL = 0x8878001E;
inline constexpr uint32_t DSERR_INVALIDCALL = 0x88780032;
inline constexpr uint32_t DSERR_BADFORMAT = 0x88780064;
inline constexpr uint32_t DSERR_NODRIVER = 0x88780078;

// Bytes a ring's cursor has moved since it was last set, and how many of them played as silence
// because they had not been written again since they last played.
struct TPlayedBytes {
  uint64_t bytes = 0;
  uint64_t silenced = 0;
};

}  // namespace quillon
