// frameindex: every audio frame of an MP3 file, with where its main data lies, read once when the
// file is opened, so that a save can copy unchanged frames byte for byte.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mp3frames/mp3header.h"
#include "mp3frames/sourceidentity.h"

namespace quillon {

// One audio frame of the source.
struct TMp3Frame {
  uint64_t offset = 0;
  uint32_t bytes = 0;
  // main_data_begin: how many main-data bytes of earlier frames this one reads.
  uint16_t mainDataBegin = 0;
  uint16_t mainDataBytes = 0;
  uint8_t bitrateIndex = 0;
  bool padding = false;
};

// An open MP3 file and its frames. The file stays open for as long as the index lives, so that
// a save over the same path still reads the frames that were indexed.
class TMp3Source {
 public:
  // Indexes path; Usable() tells whether its frames can be copied, Refusal() why not.
  explicit TMp3Source(const std::string& path);
  ~TMp3Source();
  TMp3Source(const TMp3Source&) = delete;
  TMp3Source& operator=(const TMp3Source&) = delete;

  bool Usable() const { return refusal_.empty(); }
  // The key of the constant that says why the frames cannot be copied; empty when they can.
  const std::string& Refusal() const { return refusal_; }
  // The first audio frame's header: version, rate, mode and bitrate of the stream.
  const TMp3Header& Format() const { return format_; }
  const std::vector<TMp3Frame>& Frames() const { return frames_; }
  bool Vbr() const { return vbr_; }
  // Decoded samples a gapless decoder drops before the first it gives (the LAME tag's delay
  // plus the decoder's 529), and the length it then gives: the document's frames.
  uint32_t Skip() const { return skip_; }
  uint64_t DecodedLength() const { return decodedLength_; }
  // Which file this is, as it was when indexed.
  const TSourceIdentity& Identity() const { return identity_; }
  // Reads count bytes at offset; false when the file cannot give them.
  bool Read(uint64_t offset, uint8_t* out, size_t count) const;
  // The main-data bytes (the payload after side information) of frame index, whole.
  bool ReadFrame(size_t index, std::vector<uint8_t>& out) const;

 private:
  void Index();
  void Refuse(const char* key);

  int fd_ = -1;
  uint64_t fileBytes_ = 0;
  TMp3Header format_{};
  std::vector<TMp3Frame> frames_;
  bool vbr_ = false;
  uint32_t skip_ = 0;
  uint64_t decodedLength_ = 0;
  std::string refusal_;
  TSourceIdentity identity_;
};

using TSharedMp3Source = std::shared_ptr<const TMp3Source>;

}  // namespace quillon
