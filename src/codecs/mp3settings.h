#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/mp3record.h"

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
  // "Keep the original MP3 frames; encode only what changed": offered when the document came
  // from an MP3 of the same rate and channels.
  bool keepFrames = true;
};

// The rate an MP3 of a document at this rate is written at: the rate itself when MP3 has it
// (8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000), else the nearest one it has.
uint32_t Mp3SampleRate(uint32_t documentRate);

// The line that tells the user, before saving, that the MP3 gets another rate than the document;
// empty when the rate is kept. In the interface language.
std::string Mp3RateNotice(uint32_t documentRate);

// The bitrates (kbit/s) the dialog's lists offer for a document rate, in list order, highest
// first: exactly those the encoder writes at the MP3's rate.
std::vector<int> OfferedBitrates(uint32_t sampleRate);

// The bitrate a list position stands for at a document rate; positions outside the list clamp.
int BitrateAt(uint32_t sampleRate, int position);

// The list position the "Bitrate:" list starts at: the top for CBR; for VBR and ABR, where it is
// the lowest bitrate a frame may have, the bottom, so that the quality or target decides.
int DefaultBitratePosition(TMp3Mode mode, uint32_t sampleRate);

// The configuration record for a save with this choice; members the choice does not set are 0.
TMp3Config MakeMp3Config(const TMp3Choice& choice, uint32_t sampleRate, uint16_t channels);

}  // namespace quillon
