#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "codecs/cache.h"
#include "codecs/wavheader.h"
#include "document/largefile.h"
#include "document/operationthread.h"

namespace quillon {

// Codes of the document's operations; they also appear in the store's failure report.
enum TOperationCode : uint32_t {
  opBuildIndex = 1,
  opOpen = 2,
  opSaveMp3 = 3,
  opSaveWav = 4,
  opCut = 5,
  opCopy = 6,
  opPaste = 7,
  opDelete = 8,
  opInsertSilence = 9,
  opNormalize = 10,
  opFadeIn = 11,
  opFadeOut = 12,
  opReverse = 13,
  opInvert = 14,
  opAmplify = 15,
};

// Decoded audio larger than this is refused.
inline constexpr int64_t kMaxDecodedBytes = 2174483647;

class Twavefile;
using TNotifyEvent = std::function<void(Twavefile* sender)>;
using TActionEvent = std::function<void(Twavefile* sender, bool canUndo, bool canRedo)>;

// The one open audio document: 16-bit PCM with one or two channels in a disk-backed store, its
// format, its peak index and its state. Requests are made on the main thread and return at
// once; the work runs on a worker thread, one operation at a time, and OnReady announces its
// end. While Busy every request is ignored.
class Twavefile {
 public:
  Twavefile();
  ~Twavefile();
  Twavefile(const Twavefile&) = delete;
  Twavefile& operator=(const Twavefile&) = delete;

  // Decodes path into a new temporary store. Never changes the file itself.
  void Open(const std::string& path);
  // Releases the store and deletes the document's temporary files.
  void Close();

  TActionEvent OnAction;
  TNotifyEvent OnReady;
  TNotifyEvent OnLoaded;

  const std::string& FileName() const { return fileName_; }
  const std::string& TempFileName() const { return tempFileName_; }
  uint16_t Channels() const { return channels_; }
  uint32_t SampleRate() const { return sampleRate_; }
  uint32_t FrameCount() const { return frameCount_; }
  double Duration() const { return duration_; }
  uint32_t DataBytes() const { return dataBytes_; }
  int32_t OriginalBits() const { return originalBits_; }
  int16_t Peak() const { return peak_; }
  int32_t PeakDb() const { return peakDb_; }
  const TChannelPeaks& ChannelPeaks() const { return channelPeaks_; }
  const Tindexdata& Index() const { return index_; }
  TLargeFile* Samples() const { return samples_.get(); }
  const TWavHeader& Header() const { return header_; }
  uint32_t Operation() const { return operation_.load(); }
  int32_t Progress() const { return progress_.load(std::memory_order_relaxed); }
  bool Loaded() const { return loaded_.load(); }
  bool Busy() const { return busy_.load(); }
  bool Modified() const { return modified_.load(); }

 protected:
  // Starts the worker for operation_ unless an operation runs.
  void RunOperation();
  // Main thread, after the worker: publishes the outcome, raises OnLoaded and OnReady.
  void OperationDone();
  // Rebuilds the peak index and the peaks from the current store (worker).
  void BuildPeakIndex();
  void ParseHeader(const TWavHeader& header);
  // Makes a new temporary store of bytes sample bytes (plus the header) for an operation.
  void CreateNextStore(uint32_t bytes);
  void ReopenCurrent();

 private:
  void DoOpen();
  void ShowOpenError(const std::string& text);
  // Refuses at once a source whose decoded size the container predicts will not fit.
  bool DecodedSizeFits(int64_t estimatedBytes);
  CThread::TRoutine RoutineFor(uint32_t operation);

  std::string tempFileName_;
  std::string fileName_;
  TWavHeader header_{};
  std::unique_ptr<CThread> worker_;
  std::atomic<uint32_t> operation_{0};
  std::atomic<bool> busy_{false};
  std::atomic<bool> loaded_{false};
  std::atomic<bool> modified_{false};
  std::atomic<int32_t> progress_{0};
  std::unique_ptr<TLargeFile> samples_;
  std::unique_ptr<TLargeFile> nextSamples_;
  int32_t originalBits_ = 16;
  TChannelPeaks channelPeaks_{};
  int16_t peak_ = 0;
  int32_t peakDb_ = 0;
  Tindexdata index_;
  uint32_t dataBytes_ = 0;
  uint16_t channels_ = 0;
  uint32_t sampleRate_ = 0;
  uint32_t frameCount_ = 0;
  double duration_ = 0;
};

}  // namespace quillon
