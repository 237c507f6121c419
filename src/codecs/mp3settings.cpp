#include "codecs/mp3settings.h"

#include <algorithm>
#include <span>

namespace quillon {

namespace {

constexpr std::array<int, 14> kMpeg1Rates = {320, 256, 224, 192, 160, 128, 112,
                                             96,  80,  64,  56,  48,  40,  32};
constexpr std::array<int, 14> kMpeg2Rates = {160, 144, 128, 112, 96, 80, 64,
                                             56,  48,  40,  32,  24, 16, 8};
// The 8000 and 11025 lists leave out the two highest entries of the MPEG-2 table.
constexpr size_t kMpeg25Skip = 2;
// What a rate without a table encodes at.
constexpr int kFallbackBitrate = 128;

// The record's layout: the configuration kind, then the version-1 members in order.
constexpr uint32_t kConfigLame = 256;
constexpr uint32_t kStructVersion = 1;
constexpr uint32_t kStructSize = 331;
constexpr int32_t kModeStereo = 0;
constexpr int32_t kModeMono = 3;
constexpr int32_t kPresetNone = -1;
constexpr int32_t kPresetAbr = 11;
constexpr int32_t kPresetCbr = 12;
constexpr int32_t kVbrMethodNone = -1;
constexpr int32_t kVbrMethodDefault = 0;
constexpr int32_t kVbrMethodAbr = 4;
constexpr uint32_t kTrue = 0xFFFFFFFF;
constexpr uint16_t kQuality = 5;

enum : size_t {
  kOffConfig = 0,
  kOffVersion = 4,
  kOffSize = 8,
  kOffSampleRate = 12,
  kOffMode = 20,
  kOffBitrate = 24,
  kOffMaxBitrate = 28,
  kOffPreset = 32,
  kOffMpegVersion = 36,
  kOffCrc = 52,
  kOffOriginal = 60,
  kOffWriteVbrHeader = 64,
  kOffEnableVbr = 68,
  kOffVbrQuality = 72,
  kOffAbrBps = 76,
  kOffVbrMethod = 80,
  kOffQuality = 92,
};

std::span<const int> TableFor(uint32_t sampleRate) {
  switch (sampleRate) {
    case 32000:
    case 44100:
    case 48000:
      return kMpeg1Rates;
    case 16000:
    case 22050:
      return kMpeg2Rates;
    case 8000:
    case 11025:
      return std::span<const int>(kMpeg2Rates).subspan(kMpeg25Skip);
    default:
      return {};
  }
}

void Put32(TMp3Config& config, size_t offset, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) config[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

void Put16(TMp3Config& config, size_t offset, uint16_t value) {
  config[offset] = static_cast<uint8_t>(value);
  config[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void PutSigned(TMp3Config& config, size_t offset, int32_t value) {
  Put32(config, offset, static_cast<uint32_t>(value));
}

}  // namespace

std::vector<int> OfferedBitrates(uint32_t sampleRate) {
  std::span<const int> table = TableFor(sampleRate);
  return {table.begin(), table.end()};
}

int BitrateAt(uint32_t sampleRate, int position) {
  std::span<const int> table = TableFor(sampleRate);
  if (table.empty()) return kFallbackBitrate;
  int last = static_cast<int>(table.size()) - 1;
  return table[static_cast<size_t>(std::clamp(position, 0, last))];
}

TMp3Config MakeMp3Config(const TMp3Choice& choice, uint32_t sampleRate, uint16_t channels) {
  TMp3Config config{};
  bool cbr = choice.mode == TMp3Mode::Cbr;
  bool abr = choice.mode == TMp3Mode::Abr;

  Put32(config, kOffConfig, kConfigLame);
  Put32(config, kOffVersion, kStructVersion);
  Put32(config, kOffSize, kStructSize);
  Put32(config, kOffSampleRate, sampleRate);
  PutSigned(config, kOffMode, channels == 1 ? kModeMono : kModeStereo);
  int bitrate = BitrateAt(sampleRate, choice.bitratePosition);
  int maxBitrate = BitrateAt(sampleRate, choice.maxBitratePosition);
  int average = BitrateAt(sampleRate, choice.averagePosition);
  Put32(config, kOffBitrate, static_cast<uint32_t>(bitrate));
  Put32(config, kOffMaxBitrate, static_cast<uint32_t>(maxBitrate));
  PutSigned(config, kOffPreset, cbr ? kPresetCbr : abr ? kPresetAbr : kPresetNone);
  Put32(config, kOffMpegVersion, sampleRate >= 32000 ? 1 : 0);
  Put32(config, kOffCrc, choice.crc ? kTrue : 0);
  Put32(config, kOffOriginal, kTrue);
  // ABR files carry the header too: without it players cannot tell their duration.
  Put32(config, kOffWriteVbrHeader, cbr ? 0 : kTrue);
  Put32(config, kOffEnableVbr, cbr ? 0 : kTrue);
  // Quality positions run best-last while the encoder's scale runs best-first over 0..9; the
  // last position shares the encoder's best rather than falling off its range.
  int quality = std::clamp(choice.qualityPosition, 0, 9);
  PutSigned(config, kOffVbrQuality, quality == 9 ? 0 : 8 - quality);
  Put32(config, kOffAbrBps, abr ? static_cast<uint32_t>(average) * 1000 : 0);
  PutSigned(config, kOffVbrMethod, cbr ? kVbrMethodNone : abr ? kVbrMethodAbr : kVbrMethodDefault);
  Put16(config, kOffQuality, kQuality);
  return config;
}

}  // namespace quillon
