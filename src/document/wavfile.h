#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "codecs/cache.h"
#include "codecs/mp3settings.h"
#include "codecs/wavheader.h"
#include "document/largefile.h"
#include "document/operationthread.h"
#include "document/stack.h"

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
  opRecover = 16,
};

// Decoded audio larger than this is refused: with its header it must fit a store, or no edit of
// the document could make a new one.
inline constexpr int64_t kMaxDecodedBytes =
    static_cast<int64_t>(kMaxStoreFileBytes - kWavHeaderSize);

class TBASSDecoder;
struct TJournalState;

// Whether a save target names a format the document writes: .wav or .mp3, in any case.
bool IsSaveableTarget(const std::string& path);

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
  // Releases the store and deletes the document's temporary files, its history's included.
  void Close();
  // Takes up a state a journal recorded: its current store, its history and its source name,
  // marked modified, with the index rebuilt on the worker; OnLoaded follows as after Open.
  // False when busy or a document is loaded. A store that is not one of ours ends in a
  // message and nothing loaded.
  bool Recover(const TJournalState& state);

  // Edits and effects. Positions are frames; a range covers start to stop - 1. Each returns
  // true when it started; false when an operation runs, nothing is loaded, or its numbers do
  // not fit the document (the user is told which).
  bool InsertSilence(int64_t position, int64_t frames);
  bool Delete(int64_t start, int64_t stop);
  bool Cut(int64_t start, int64_t stop);
  bool Copy(int64_t start, int64_t stop);
  bool Paste(int64_t position);
  bool FadeIn(int64_t start, int64_t stop);
  bool FadeOut(int64_t start, int64_t stop);
  bool Normalize(int32_t percent);
  bool Amplify(uint32_t percent);
  bool Reverse();
  bool Invert();

  // The WAV block of frames start to stop - 1, as copy puts it on the clipboard, read at once
  // on the calling thread (a drag hands it out). Empty when busy, nothing is loaded or the
  // range does not fit; throws Exception when memory runs out.
  std::vector<uint8_t> RangeBlock(int64_t start, int64_t stop) const;

  // Saving, as WAV or MP3 by the target's extension in any case. Save writes the whole document
  // to FileName; SaveSelection a range to path and leaves Modified as it was. The target is
  // replaced only when the new file is complete. False when busy, nothing is loaded, the range
  // does not fit, the extension is neither, or the MP3 settings were cancelled.
  bool Save();
  bool SaveSelection(const std::string& path, int64_t start, int64_t stop);
  // Save as: the main window names the new target first.
  void SetFileName(const std::string& path) { fileName_ = path; }
  // Asked on the main thread before every MP3 save; none cancels it. Unset, the settings
  // dialog's first choice is taken.
  std::function<std::optional<TMp3Choice>(uint32_t sampleRate)> OnAskMp3Settings;
  const TMp3Config& Mp3Config() const { return mp3Config_; }

  // Switch to the previous or next state of the history and rebuild the index on the worker.
  // A state whose file cannot be opened leaves the document as it was and throws.
  void Undo();
  void Redo();
  bool CanUndo() const { return !undoStack_.IsEmpty(); }
  bool CanRedo() const { return !redoStack_.IsEmpty(); }
  const TStack& UndoStack() const { return undoStack_; }
  const TStack& RedoStack() const { return redoStack_; }

  // Undo or redo became available or not; always raised on the main thread.
  TActionEvent OnAction;
  TNotifyEvent OnReady;
  TNotifyEvent OnLoaded;
  // The document's state (its files, history, source name or Modified) may have changed: after
  // every operation but a copy, and after undo, redo and close; on the main thread, before
  // OnReady.
  TNotifyEvent OnStateChanged;

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
  void CreateNextStore(uint64_t bytes);
  void ReopenCurrent();
  // Step one of every edit: the current file goes onto the undo stack (the redo files are deleted
  // once the edit succeeded).
  void PushUndo();
  // Runs an edit or effect whose result has newFrames frames: a new store receives the header
  // and writeSamples' output, becomes current and is indexed. When anything fails the previous
  // state is current again, with its index, and the new file is gone.
  void RunEdit(uint64_t newFrames, const std::function<void()>& writeSamples);

 private:
  struct TStateSnapshot {
    TWavHeader header;
    Tindexdata index;
    TChannelPeaks channelPeaks;
    int16_t peak;
    int32_t peakDb;
    bool modified;
  };

  void DoOpen();
  void DoRecover();
  void RaiseStateChanged();
  // Decodes into the working copy; false (the user told why) when the source cannot be used.
  bool DecodeSource(TBASSDecoder& decoder);
  bool StartSave();
  void DoSaveWav();
  void DoSaveMp3();
  void DoInsertSilence();
  void DoDelete();
  void DoCopy();
  // Hands a WAV block over to the clipboard.
  void PublishClip(std::vector<uint8_t> block);
  void DoCut();
  // The WAV block of frames start to stop - 1 of the current store, unchecked.
  std::vector<uint8_t> ReadRange(uint64_t start, uint64_t stop) const;
  void DoPaste();
  // The clipboard's audio in the document's format: its WAV block, else the file it names
  // (refused with a message when unusable). None when there is nothing to paste.
  std::optional<std::vector<int16_t>> TakeClipboardAudio();
  void DoFade();
  void DoNormalize();
  void DoAmplify();
  void DoReverse();
  void DoInvert();
  // Reads samples [first, first + count) of the current store in chunks, lets transform change
  // each chunk in place (it is told the chunk's first sample index) and writes it to the same
  // place of the new store.
  void TransformSamples(uint64_t first, uint64_t count,
                        const std::function<void(int16_t*, uint64_t, size_t)>& transform);
  // An effect on the whole document that maps each span of samples in place.
  void TransformEverySample(const std::function<void(int16_t*, size_t)>& apply);
  void CopySamples(uint64_t from, uint64_t to, uint64_t count);
  void RollBackEdit(const TStateSnapshot& before);
  // Opens tempFileName_ again as the current store after a failure; unloaded when it cannot.
  void ReopenPrevious();
  // The worker's part of undo and redo: a state whose index cannot be built is left again.
  void IndexSwitchedState();
  void SwitchBack();
  void RaiseAction(bool canUndo, bool canRedo);
  void SwitchState(TStack& from, TStack& to);
  // Stores the request and starts it; false when busy or nothing is loaded.
  bool Request(uint32_t operation);
  bool RequestRange(int64_t start, int64_t stop, uint32_t operation);
  bool CheckRange(int64_t start, int64_t stop);
  bool CheckPosition(int64_t position);
  void Refuse(const std::string& text);
  void ShowOpenError(const std::string& text);
  // Refuses at once a source whose decoded size the container predicts will not fit.
  bool DecodedSizeFits(int64_t estimatedBytes);
  CThread::TRoutine RoutineFor(uint32_t operation);

  TStack undoStack_;
  TStack redoStack_;
  // The stack the last undo or redo took its state from, and the header before it.
  TStack* switchedFrom_ = nullptr;
  TWavHeader switchedHeader_{};
  std::string tempFileName_;
  uint32_t amplifyPercent_ = 0;
  int32_t rangeStart_ = 0;
  int32_t rangeStop_ = 0;
  int32_t silenceFrames_ = 0;
  int32_t normalizePercent_ = 0;
  std::string targetFileName_;
  bool savingWhole_ = false;
  TMp3Config mp3Config_{};
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
