#include "codecs/mp3settings.h"

#include <algorithm>
#include <cstdlib>
#include <span>

#include "localization/constants.h"

namespace quillon {

namespace {

constexpr std::array<int, 14> kMpeg1Rates = {320, 256, 224, 192, 160, 128, 112,
                                             96,  80,  64,  56,  48,  40,  32};
constexpr std::array<int, 14> kMpeg2Rates = {160, 144, 128, 112, 96, 80, 64,
                                             56,  48,  40,  32,  24, 16, 8};
// MPEG-2.5 (8000, 11025, 12000 Hz) frames go up to 64 kbit/s only: the MPEG-2 table from 64 on.
constexpr size_t kMpeg25Skip = 6;
// The rates an MP3 frame can carry, ascending.
constexpr std::array<uint32_t, 9> kMp3Rates = {8000,  11025, 12000, 16000, 22050,
                                               24000, 32000, 44100, 48000};

// The quality word: the encoder's middle quality, without its check byte.
constexpr uint16_t kQuality = 5;

std::span<const int> TableFor(uint32_t sampleRate) {
  const uint32_t saved = Mp3SampleRate(sampleRate);
  if (saved >= 32000) return kMpeg1Rates;
  if (saved >= 16000) return kMpeg2Rates;
  return std::span<const int>(kMpeg2Rates).subspan(kMpeg25Skip);
}

std::string ReplaceFirst(std::string text, std::string_view mark, const std::string& value) {
  const size_t at = text.find(mark);
  if (at != std::string::npos) text.replace(at, mark.size(), value);
  return text;
}

}  // namespace

uint32_t Mp3SampleRate(uint32_t documentRate) {
  // Ties go to the higher rate, which loses nothing of the document's bandwidth.
  uint32_t nearest = kMp3Rates.front();
  for (uint32_t rate : kMp3Rates) {
    const int64_t distance = std::abs(int64_t{rate} - documentRate);
    if (distance <= std::abs(int64_t{nearest} - documentRate)) nearest = rate;
  }
  return nearest;
}

std::string Mp3RateNotice(uint32_t documentRate) {
  const uint32_t saved = Mp3SampleRate(documentRate);
  if (saved == documentRate) return {};
  const std::string text = ReplaceFirst(ConstantText("mp3resampled"), "%1", std::to_string(saved));
  return ReplaceFirst(text, "%2", std::to_string(documentRate));
}

std::vector<int> OfferedBitrates(uint32_t sampleRate) {
  std::span<const int> table = TableFor(sampleRate);
  return {table.begin(), table.end()};
}

int BitrateAt(uint32_t sampleRate, int position) {
  std::span<const int> table = TableFor(sampleRate);
  int last = static_cast<int>(table.size()) - 1;
  return table[static_cast<size_t>(std::clamp(position, 0, last))];
}

int DefaultBitratePosition(TMp3Mode mode, uint32_t sampleRate) {
  if (mode == TMp3Mode::Cbr) return 0;
  return static_cast<int>(TableFor(sampleRate).size()) - 1;
}

TMp3Config MakeMp3Config(const TMp3Choice& choice, uint32_t sampleRate, uint16_t channels) {
  TMp3Record r;
  bool cbr = choice.mode == TMp3Mode::Cbr;
  bool abr = choice.mode == TMp3Mode::Abr;

  r.config = kConfigLame;
  r.structVersion = kStructVersion;
  r.structSize = kStructSize;
  r.sampleRate = sampleRate;
  // A rate MP3 lacks is converted to the nearest it has, the one the user was told of, rather
  // than to whatever the encoder would pick for the bitrate.
  const uint32_t saved = Mp3SampleRate(sampleRate);
  r.resampleRate = saved == sampleRate ? 0 : saved;
  r.mode = channels == 1 ? kModeMono : kModeStereo;
  r.bitrate = static_cast<uint32_t>(BitrateAt(sampleRate, choice.bitratePosition));
  r.maxBitrate = static_cast<uint32_t>(BitrateAt(sampleRate, choice.maxBitratePosition));
  int average = BitrateAt(sampleRate, choice.averagePosition);
  r.preset = cbr ? kPresetCbr : abr ? kPresetAbr : kPresetNone;
  r.mpegVersion = saved >= 32000 ? 1 : 0;
  r.crc = choice.crc;
  r.original = true;
  // The encoder writes its Info frame in every mode (so decoders drop its delay and padding)
  // whatever this member says; the member keeps its VBR-only value for readers of the record.
  r.writeVbrHeader = choice.mode == TMp3Mode::Vbr;
  r.enableVbr = !cbr;
  // Quality positions run best-last while the encoder's scale runs best-first over 0..9: 8 - p.
  // The last position gives -1, which the encoder takes as its best VBR quality searched with
  // its most thorough algorithm.
  r.vbrQuality = 8 - std::clamp(choice.qualityPosition, 0, 9);
  r.abrBps = abr ? static_cast<uint32_t>(average) * 1000 : 0;
  r.vbrMethod = cbr ? kVbrMethodNone : abr ? kVbrMethodAbr : kVbrMethodDefault;
  r.quality = kQuality;
  return PackMp3Record(r);
}

}  // namespace quillon
