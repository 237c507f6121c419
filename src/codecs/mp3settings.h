#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillon {

enum class TMp3Mode { Cbr = 0, Vbr = 1, Abr = 2 };

// What the "MPEG Layer3 Settings" dialog chose, as the positions its controls hold.
struct TMp3Choice {
  TMp3Mode mode = TMp3Mode::Cbr;
  int bitratePosition = 0;     // "Bitrate:"
  int maxBitratePosition = 0;  // "Maximum Bitrate:"
  int qualityPosition = 0;     // "Quality:", 0 to 9
  int averagePosition = 0;     // "Targeted Bitrate:"
  bool crc = false;            // "Checksum"
};

// The bitrates (kbit/s) the dialog's lists offer for a sample rate, in list order; empty for a
// rate without a table, whose lists stay as they were and which always encodes 128.
std::vector<int> OfferedBitrates(uint32_t sampleRate);

// The bitrate a list position stands for at a sample rate.
int BitrateAt(uint32_t sampleRate, int position);

// The encoder's configuration record in its LAME layout (structure version 1), kept in a
// 349-byte block; members the choice does not set are 0.
inline constexpr size_t kMp3ConfigSize = 349;
using TMp3Config = std::array<uint8_t, kMp3ConfigSize>;

TMp3Config MakeMp3Config(const TMp3Choice& choice, uint32_t sampleRate, uint16_t channels);

}  // namespace quillon
