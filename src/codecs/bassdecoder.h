// bassdecoder: any audio file into the 16-bit working copy and its peak index, through FFmpeg.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "codecs/cache.h"
#include "codecs/wavcopy.h"
#include "platform/cancel.h"

namespace quillon {

// A source's samples as it stores them.
struct TResolution {
  uint16_t bits = 16;    // 1 to 64
  bool isFloat = false;  // floating point rather than integer

  // The working copy's 16-bit integers lose detail of these samples.
  bool Narrowed() const { return bits > 16 || isFloat; }
};

// Decodes whatever FFmpeg opens (MP3, WAV, WMA, FLAC, Ogg, AAC ...) into the document's working
// copy: a canonical 16-bit PCM WAV file with the source's channel count and rate, feeding the
// peak index builder in the same pass. Every sample is rounded once, from its exact value.
// Sources of three or more channels are mixed down to stereo by FFmpeg's standard matrix for
// their layout. Opus files take the rate their header records, with the length they had there.
class TBASSDecoder {
 public:
  // Opens the source and reads its format; raises nothing (Ready tells the outcome).
  TBASSDecoder(const std::string& sourcePath, const std::string& outputPath);
  ~TBASSDecoder();
  TBASSDecoder(const TBASSDecoder&) = delete;
  TBASSDecoder& operator=(const TBASSDecoder&) = delete;

  // The stream opened and its format was read.
  bool Ready() const { return ready_; }
  // The working copy's channel count: 1 or 2 once Ready.
  uint16_t Channels() const { return channels_; }
  // The source's own channel count; above Channels when the source is mixed down.
  uint16_t SourceChannels() const { return sourceChannels_; }
  int32_t SampleRate() const { return sampleRate_; }
  // The source's resolution in bits when known (1 to 64), else 16; lossy sources count as 16.
  uint16_t OriginalBits() const { return resolution_.bits; }
  // The same with whether those samples are floating point (lossy sources count as integers).
  const TResolution& OriginalResolution() const { return resolution_; }
  // PCM data bytes written by Decode.
  int64_t BytesWritten() const { return bytesWritten_; }
  // Data bytes the decode will write, predicted from the container's duration; none when the
  // container does not tell.
  std::optional<int64_t> EstimatedBytes() const;

  // Writes the whole working copy and feeds Filter, with progress 0..100 and 0 at the end.
  // Returns false when no stream is open. Stops early once more than stopAfterBytes data bytes
  // are written (BytesWritten then exceeds it). When writing fails the partial output file is
  // deleted and the EOSError propagates.
  bool Decode(std::atomic<int32_t>& progress, int64_t stopAfterBytes = INT64_MAX);

  TFilter* Filter() { return filter_.get(); }

  // Decode looks at this between packets (or copy steps) and, once it is cancelled, deletes
  // the partial output and throws ECancelled.
  void SetCancel(TCancelToken cancel) { cancel_ = std::move(cancel); }

  // A plain 16-bit PCM WAV is copied by the kernel rather than decoded; the working copy, the
  // index and the peaks are the same either way. Off: decode it like any source (to compare).
  void AllowCopy(bool allow) { copyAllowed_ = allow; }
  // Whether the last Decode copied the audio.
  bool CopiedAudio() const { return copied_; }

 private:
  struct Stream;

  std::optional<int64_t> EstimateBytes(const Stream& stream) const;
  bool DecodeByCopy(std::atomic<int32_t>& progress);

  std::unique_ptr<Stream> stream_;
  std::optional<int64_t> estimatedBytes_;
  std::unique_ptr<TFilter> filter_;
  std::optional<TPlainWav> plainWav_;
  TCancelToken cancel_;
  bool copyAllowed_ = true;
  bool copied_ = false;
  std::string sourcePath_;
  std::string outputPath_;
  bool ready_ = false;
  uint16_t channels_ = 0;
  uint16_t sourceChannels_ = 0;
  int32_t sampleRate_ = 0;
  TResolution resolution_;
  int64_t bytesWritten_ = 0;
};

}  // namespace quillon
