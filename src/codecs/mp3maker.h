#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "codecs/mp3settings.h"

namespace quillon {

// Encodes 16-bit PCM into an MP3 file through the chunk interface of the LAME layer. Every
// failure throws (an Exception with the "streamerror" or "writeerror" text followed by the code)
// so that the save fails as a whole; the caller owns what happens to the partial file.
class MP3writer {
 public:
  // Creates fileName and starts the encoder; samplesPerChunk receives how many 16-bit samples
  // (all channels together) one chunk holds.
  MP3writer(const std::string& fileName, uint32_t& samplesPerChunk, const TMp3Config& config);
  ~MP3writer();
  MP3writer(const MP3writer&) = delete;
  MP3writer& operator=(const MP3writer&) = delete;

  // Encodes byteCount / 2 samples (at most one chunk) and appends the result; returns the bytes
  // written.
  int32_t EncodeChunk(const int16_t* samples, uint32_t byteCount);
  // Flushes the encoder, writes the Info frame (in every mode) over the first frame, and closes
  // the file.
  void Finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quillon
