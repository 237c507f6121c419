#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "codecs/cache.h"
#include "codecs/wavheader.h"
#include "document/largefile.h"
#include "platform/cancel.h"

namespace quillon {

// The peak index of one state and the peaks taken from it.
struct TPeakIndex {
  Tindexdata index;
  // The index's coarse level, made with it.
  Tcoarseindex coarse;
  TChannelPeaks channelPeaks{};
  int16_t peak = 0;
  int32_t peakDb = 0;
};

// One state of the document's audio: its store and everything that describes it. A worker builds
// a new state whole; the main thread installs it and never changes it afterwards, so the view and
// the player read the installed state while a worker reads it too (through the file, as every
// thread may; the view's window is the main thread's own TStoreWindow) or builds the next one
// aside.
struct TAudioState {
  // The store's file; it stays named after a close, which keeps the format fields too.
  std::string fileName;
  // Open for reading; none once closed.
  std::shared_ptr<TLargeFile> samples;
  TWavHeader header{};
  uint32_t dataBytes = 0;
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint32_t frameCount = 0;
  double duration = 0;
  // The opened file's resolution: its bits a sample and whether they were floating point.
  int32_t originalBits = 16;
  bool originalFloat = false;
  // The opened file's channel count when it had more than channels (it was mixed down); 0 when
  // it had channels, or is not known.
  uint16_t sourceChannels = 0;
  TPeakIndex peaks;

  // Takes the format and length from a store's header.
  void ApplyHeader(const TWavHeader& wavHeader);
};

// The share of total that done is, in whole percent, as operations report their progress.
inline int32_t ProgressPercent(uint64_t done, uint64_t total) {
  return total ? static_cast<int32_t>(done * 100 / total) : 0;
}

// Builds the index of a store from its samples in order, as they are written, so that an effect
// that passes every sample through memory needs no second pass: one entry per 512 frames and
// channel, each block starting at maximum 0 and minimum 32767, a block without frames {0, 0}.
class TPeakScan {
 public:
  TPeakScan(uint16_t channels, uint32_t frameCount);
  // The next count samples, whole frames.
  void Add(const int16_t* samples, size_t count);
  // The next count samples read from store at firstSample, with the share done in progress;
  // cancel is looked at between chunks.
  void AddFrom(const TLargeFile& store, uint64_t firstSample, uint64_t count,
               std::atomic<int32_t>* progress = nullptr, const TCancelToken& cancel = {});
  // The index, once every frame was added; none otherwise.
  std::optional<TPeakIndex> Finish();

 private:
  void CloseBlock();

  uint16_t channels_;
  uint32_t frameCount_;
  uint64_t framesAdded_ = 0;
  uint32_t framesInBlock_ = 0;
  uint32_t block_ = 0;
  TChannelPeaks maximum_{}, minimum_{};
  TPeakIndex result_;
};

// The rebuilt index of frameCount frames of store, as TPeakScan builds it; progress counts 0..100
// and ends at 0.
TPeakIndex BuildPeakIndex(const TLargeFile& store, uint16_t channels, uint32_t frameCount,
                          std::atomic<int32_t>& progress, const TCancelToken& cancel = {});

// Opens fileName as a store and describes it from its header, with the index rebuilt.
std::shared_ptr<TAudioState> OpenAudioState(const std::string& fileName,
                                            std::atomic<int32_t>& progress,
                                            const TCancelToken& cancel = {});

}  // namespace quillon
