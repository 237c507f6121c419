#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "codecs/cache.h"
#include "codecs/encodersettings.h"
#include "codecs/mp3settings.h"
#include "codecs/tags.h"
#include "codecs/wavheader.h"
#include "document/audiostate.h"
#include "document/journal.h"
#include "document/largefile.h"
#include "document/operation.h"
#include "document/operationthread.h"
#include "document/stack.h"
#include "document/storewindow.h"
#include "platform/subscription.h"

namespace quillon {

class Twavefile;
// Subscribers hold what Subscribe returns: a window that goes is never called back.
using TNotifyEvent = TSignal<Twavefile* /*sender*/>;
using TActionEvent = TSignal<Twavefile* /*sender*/, bool /*canUndo*/, bool /*canRedo*/>;

// What a paste inserts: a WAV block, or else audio files to decode.
struct TClipContents {
  std::optional<std::vector<uint8_t>> block;
  std::vector<std::string> files;
  bool Empty() const { return !block && files.empty(); }
};

// The one open audio document: 16-bit PCM with one or two channels in a disk-backed store, its
// format, its peak index and its state. Everything here belongs to the main thread: requests
// are made there and return at once; each captures what its work needs and runs on a worker
// thread, one operation at a time, which builds any new state aside and hands it back.
// OperationDone installs it on the main thread and OnReady announces the end. While Busy every
// request is ignored.
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
  // Asks the running operation to stop; it ends soon (its worker looks between chunks) with the
  // document, its history and the user's files as they were before it started, every file it
  // made deleted, and a notice instead of a message. Nothing when no operation runs.
  void Cancel();
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
  // Pastes contents read from the clipboard earlier (a paste that waited its turn).
  bool Paste(int64_t position, TClipContents contents);
  bool FadeIn(int64_t start, int64_t stop);
  bool FadeOut(int64_t start, int64_t stop);
  bool Normalize(int32_t percent);
  bool Amplify(uint32_t percent);
  bool Reverse();
  bool Invert();
  // Removes, as one edit, the spans that planner finds on the worker; when it finds none the
  // document stays as it is and nothingToRemove is the operation's status line.
  bool RemoveSpans(TSpanPlanner planner, std::string nothingToRemove);
  // One gain on every sample, as planner finds it on the worker (Normalize Loudness).
  bool ApplyGain(TGainPlanner planner);
  // The same effects on frames span.start to span.stop - 1 only, every other sample kept as it
  // was; Normalize scales by the span's own peak, and planner measures what it was made for.
  // False likewise, and when the span does not fit the document.
  bool Normalize(int32_t percent, TFrameSpan span);
  bool Amplify(uint32_t percent, TFrameSpan span);
  bool Reverse(TFrameSpan span);
  bool Invert(TFrameSpan span);
  bool ApplyGain(TGainPlanner planner, TFrameSpan span);
  // The whole document: to one channel, to two (the one twice), or left and right swapped.
  // Refused (false) where it changes nothing: mono to mono, swap or stereo of another count.
  bool ToMono(TMonoMix mix);
  bool ToStereo();
  bool SwapChannels();
  // The whole document at another rate (kMinSampleRate to kMaxSampleRate, not the present one).
  bool ChangeSampleRate(uint32_t rate, bool dither = true);

  // The WAV block of frames start to stop - 1, as copy puts it on the clipboard, read at once
  // on the calling thread (a drag hands it out). Empty when busy, nothing is loaded or the
  // range does not fit; throws Exception when memory runs out.
  std::vector<uint8_t> RangeBlock(int64_t start, int64_t stop) const;

  // Saving, as WAV, MP3, FLAC, Ogg Vorbis or Opus by the target's extension in any case. Save
  // writes the whole document to FileName; SaveSelection a range to path and leaves Modified as it
  // was. The target is replaced only when the new file is complete. False when busy, nothing is
  // loaded, the range does not fit, the extension is none of these, or the format's settings were
  // cancelled.
  bool Save();
  // Save as: the whole document to path, which becomes its name only once that save succeeded;
  // a save that is cancelled or fails leaves the name and Modified as they were.
  bool SaveAs(const std::string& path);
  bool SaveSelection(const std::string& path, int64_t start, int64_t stop);
  // The same with tags of its own instead of the document's (a part of a split).
  bool SaveSelection(const std::string& path, int64_t start, int64_t stop, const TTags& tags);
  // Writes the files of a split (Export Regions) one after the other as one operation, each in
  // the format of its extension (one format for all, its settings asked once as a save asks
  // them), with its own tags and the markers of its range. A stop keeps the files finished and
  // removes the one being written; a failure too, with its message; a status line says which.
  // progress, when given, counts the file being written. False when busy, nothing is loaded,
  // there are no files, a range does not fit, the format is unknown or its settings were
  // cancelled.
  bool Split(std::vector<TSplitFile> files, std::shared_ptr<TSplitProgress> progress = {});
  // Renames the document without saving: under another name than the one last saved to, it
  // counts as modified until a save there ends.
  void SetFileName(const std::string& path);
  // Asked on the main thread before every MP3 save; none cancels it. Unset, the settings
  // dialog's first choice is taken. Each question has one answerer, the document's owner, which
  // outlives it: a plain function, not an event.
  std::function<std::optional<TMp3Choice>(uint32_t sampleRate)> OnAskMp3Settings;
  // Asked likewise before every Ogg Vorbis save (quality -1 to 10) and every Opus save
  // (kbit/s, 16 to 256); none cancels it. Unset, the defaults are taken.
  std::function<std::optional<int>()> OnAskVorbisQuality;
  std::function<std::optional<int>()> OnAskOpusBitrate;

  // Switch to the previous or next state of the history: the worker opens it and rebuilds its
  // index, and the stacks move once it is installed. A state whose file cannot be opened leaves
  // the document as it was, with a message.
  void Undo();
  void Redo();
  bool CanUndo() const { return !undoStack_.IsEmpty(); }
  bool CanRedo() const { return !redoStack_.IsEmpty(); }
  const TStack& UndoStack() const { return undoStack_; }
  const TStack& RedoStack() const { return redoStack_; }

  // Undo or redo became available or not; always raised on the main thread.
  TActionEvent OnAction;
  TNotifyEvent OnReady;
  // Raised once Busy has cleared after an operation, so that what is offered follows at once.
  TNotifyEvent OnIdle;
  TNotifyEvent OnLoaded;
  // The document's state (its files, history, source name or Modified) may have changed: after
  // every operation but a copy, and after undo, redo and close; on the main thread, before
  // OnReady.
  TNotifyEvent OnStateChanged;
  // A line for the status bar that an operation left (see TOperationResult::notices); on the
  // main thread, before OnReady.
  TSignal<Twavefile* /*sender*/, const std::string& /*text*/> OnNotice;
  // A file of the user's was opened or written (a whole save or a selection's): its name, once
  // the operation succeeded; on the main thread, before OnReady.
  TSignal<Twavefile* /*sender*/, const std::string& /*path*/> OnFileUsed;
  // An MP3 save kept the source's frames: how many it copied and encoded, at how many joins.
  TSignal<Twavefile* /*sender*/, uint64_t /*copied*/, uint64_t /*encoded*/, uint64_t /*joins*/>
      OnMp3FramesKept;

  // The tags and cover of the document: read by Open, written by every save in the target's own
  // form. Changing them is a change of the document that a whole save ends.
  const TTags& Tags() const { return tags_; }
  void SetTags(TTags tags);

  // The markers and regions of the installed state: read by Open, moved by every edit with the
  // audio they mark, kept by each state of the history as it was when the state was left.
  // Changing them is a change of the document that a whole save ends.
  const TMarkerList& Markers() const { return *markers_; }
  const TSharedMarkers& MarkersShared() const { return markers_; }
  // Which frames of the installed state are still the MP3 source's; none when no frame is.
  const TSharedSourceMap& SourceMap() const { return sourceMap_; }
  // False (and nothing changed) while an operation runs or when nothing is loaded; positions
  // past the end are clamped to it.
  bool SetMarkers(TMarkerList markers);
  // The same as a step of the history: undo gives back the list it replaces, and the state's
  // audio stays where it is (undo and redo of such a step need no worker). False likewise;
  // true and no step when the list is the same.
  bool ChangeMarkers(TMarkerList markers);
  // The markers changed without an operation (SetMarkers, ChangeMarkers, or the undo or redo
  // of a ChangeMarkers step); after OnStateChanged.
  TNotifyEvent OnMarkersSet;

  const std::string& FileName() const;
  const std::string& TempFileName() const;
  uint16_t Channels() const;
  uint32_t SampleRate() const;
  uint32_t FrameCount() const;
  double Duration() const;
  uint32_t DataBytes() const;
  int32_t OriginalBits() const;
  // Whether the opened file's samples were floating point.
  bool OriginalFloat() const;
  // The channel count of the file that was opened: above Channels when it was mixed down.
  uint16_t SourceChannels() const;
  int16_t Peak() const;
  int32_t PeakDb() const;
  const TChannelPeaks& ChannelPeaks() const;
  const Tindexdata& Index() const;
  const Tcoarseindex& CoarseIndex() const;
  // The main thread's window over the installed store (none when nothing is loaded): valid until
  // the next install.
  TStoreWindow* Samples() const;
  const TWavHeader& Header() const;
  // The installed state, kept alive for whoever holds it past the next install. The view and the
  // player hold none: they ask Samples() at each read.
  std::shared_ptr<const TAudioState> State() const;
  uint32_t Operation() const;
  // 0..100 while an operation reports progress; the one value a worker writes, readable anywhere.
  int32_t Progress() const { return progress_.load(std::memory_order_relaxed); }
  bool Loaded() const;
  bool Busy() const;
  // Whether what is shown differs from the file on disk: true unless the installed state is the
  // one last opened or saved whole under FileName and the tags have not changed since. Undo and
  // redo follow it: back to that state clears Modified, away from it sets Modified.
  bool Modified() const;

 protected:
  // Rebuilds the installed state's index on the calling (main) thread; for tests.
  void BuildPeakIndex();

 private:
  // Starts the worker on request unless an operation runs; false when busy.
  bool RunOperation(TOperationRequest request);
  // A request that starts from the installed state, with the settings it needs captured now.
  TOperationRequest MakeRequest(uint32_t operation) const;
  // Main thread, after the worker: installs the result, shows its message, raises OnLoaded,
  // OnStateChanged and OnReady, then clears Busy and raises OnIdle.
  void OperationDone(TOperationResult result);
  void Install(const TOperationResult& result);
  // A new current state made by an edit: the previous one goes onto the undo stack and the redo
  // states are deleted.
  void InstallEdit(std::shared_ptr<const TAudioState> state, TSharedMarkers markers,
                   TSharedSourceMap sourceMap);
  // The state that undo or redo took up: the stacks move by one.
  void InstallSwitch(std::shared_ptr<const TAudioState> state);
  void InstallRecovery(std::shared_ptr<const TAudioState> state, const TJournalSourceMaps& maps);
  // A file opened over a loaded one: the other file's states and history go with it.
  void InstallOpened(std::shared_ptr<const TAudioState> state);
  // Undo or redo of a step that changed only the markers.
  void SwitchMarkers(TStack& from);
  // The redo states go, but for stores that the current state or an undo state still holds.
  void DropRedo();
  // markers held to the document, in the lists' order.
  TMarkerList PlaceMarkers(TMarkerList markers) const;
  void ShowMessage(const TOperationMessage& message);
  void RaiseStateChanged();
  void RaiseAction(bool canUndo, bool canRedo);
  // Undo and redo: takes up the top of from on the worker.
  void SwitchState(TStack& from);
  // Tags: the document's when none are given.
  bool StartSave(TOperationRequest request, const TTags* tags = nullptr);
  // The save operation for the request's target and the settings of its format, asked now;
  // false when the format is unknown or the question was cancelled (the user is told).
  bool ChooseSaveFormat(TOperationRequest& request);
  // Asks for a lossy format's setting into value (left as it is when nobody asks); false when
  // the question was cancelled or answered outside min to max (the user is told).
  bool AskQuality(const std::function<std::optional<int>()>& ask, int min, int max, int& value);
  bool RequestRange(int64_t start, int64_t stop, uint32_t operation);
  // Starts an effect's request on span once it fits the document.
  bool RequestWithin(TOperationRequest request, TFrameSpan span);
  bool CheckRange(int64_t start, int64_t stop);
  bool CheckPosition(int64_t position);
  void Refuse(const std::string& text);
  // The installed state is what FileName holds on disk (after an open or a whole save).
  void MarkSaved();
  // Modified from the saved mark, once the state, its history or the name changed.
  void UpdateModified();
  // Whether a store is the current state's or on either stack, i.e. still exists.
  bool HoldsStore(const std::string& store) const;

  TStack undoStack_;
  TStack redoStack_;
  // Undo or redo in progress: the stack it takes its state from.
  TStack* switchingFrom_ = nullptr;
  // A recovery in progress: the history it takes up.
  std::optional<TJournalState> recovering_;
  // Only a save of the whole document to its own file makes it unmodified.
  bool savingWhole_ = false;
  // The user's file the running open or save reads or writes.
  std::string operationFile_;
  std::string fileName_;
  TTags tags_;
  TSharedMarkers markers_ = NoMarkers();
  // The installed state's frames that are still those of the MP3 it was opened from.
  TSharedSourceMap sourceMap_;
  // What the last copy or cut put on the clipboard; kept past a close, for the same file reopened.
  TSharedClipOrigin clipOrigin_;
  std::shared_ptr<const TAudioState> state_;
  std::unique_ptr<CThread> worker_;
  // The running operation's stop request.
  TCancelToken cancel_;
  // The name the document had before an open or a recovery, given back when it is cancelled.
  std::string nameBeforeOpen_;
  // Written on the main thread only; atomic so that a store's failure report can read them.
  std::atomic<uint32_t> operation_{0};
  std::atomic<bool> busy_{false};
  bool loaded_ = false;
  bool modified_ = false;
  // The state last opened or saved whole: its store and the name it went to; the store is empty
  // when no state of the history matches a file on disk (a recovered document, or after the
  // saved state's redo step was discarded).
  std::string savedStore_;
  std::string savedName_;
  // The tags changed after that save: no undo or redo brings the file's tags back.
  bool tagsChangedSinceSave_ = false;
  // Likewise the markers: set by hand, not by an edit that the history takes back.
  bool markersChangedSinceSave_ = false;
  // The markers of that save: a marker step on the saved store is a change of its own.
  TSharedMarkers savedMarkers_ = NoMarkers();
  std::atomic<int32_t> progress_{0};
  // Over the installed store, made again on the first Samples() after an install.
  mutable std::unique_ptr<TStoreWindow> window_ QUILLON_GUARDED_BY(mainThreadRole);
};

}  // namespace quillon
