#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "codecs/encodersettings.h"

namespace quillon {

// Encodes 16-bit PCM into FLAC (level 5, its own container), Ogg Vorbis or Opus (Ogg, always at
// 48 kHz: other rates are resampled here, and the header records the document's rate as the
// input rate) through FFmpeg's encoders and muxers; the bytes go
// through the program's checked file writer. Every failure throws an Exception whose text says
// what went wrong (no encoder, a format the encoder refuses, a failed encode, the system's reason
// for a failed write) so that the save fails as a whole; the caller owns the partial file.
class EncodedWriter {
 public:
  // format is flac, vorbis or opus; quality is the Vorbis quality (-1 to 10) or the Opus bitrate
  // in kbit/s, and unused for FLAC.
  EncodedWriter(const std::string& fileName, TSaveFormat format, int quality, uint16_t channels,
                uint32_t sampleRate);
  ~EncodedWriter();
  EncodedWriter(const EncodedWriter&) = delete;
  EncodedWriter& operator=(const EncodedWriter&) = delete;

  // Encodes frameCount interleaved frames; any count, in as many calls as suit the caller.
  void Write(const int16_t* samples, size_t frameCount);
  // Drains the encoder, completes the container and closes the file.
  void Finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quillon
