// The document on the main thread: its installed state, the operation runner and the install of
// what a worker hands back, open and close.
#include "document/wavfile.h"

#include <algorithm>

#include "document/operationjob.h"
#include "platform/clipboard.h"
#include "platform/config.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/mainthread.h"
#include "platform/messagebox.h"

namespace quillon {

Twavefile::Twavefile() : state_(std::make_shared<TAudioState>()) {
  SetStoreReportContext([this] { return TStoreReportContext{busy_.load(), operation_.load()}; });
}

Twavefile::~Twavefile() {
  // Nothing the operation would leave could be installed any more.
  cancel_.Cancel();
  if (busy_) MainThread().WaitServing([this] { return !busy_.load(); });
  SetStoreReportContext(nullptr);
}

// The installed state, read on the main thread only.

const std::string& Twavefile::FileName() const {
  QUILLON_MAIN_THREAD_ONLY();
  return fileName_;
}
const std::string& Twavefile::TempFileName() const {
  QUILLON_MAIN_THREAD_ONLY();
  return state_->fileName;
}
uint16_t Twavefile::Channels() const {
  QUILLON_MAIN_THREAD_ONLY();
  return state_->channels;
}
uint32_t Twavefile::SampleRate() const {
  QUILLON_MAIN_THREAD_ONLY();
  return state_->sampleRate;
}
uint32_t Twavefile::FrameCount() const {
  QUILLON_MAIN_THREAD_ONLY();
  return state_->frameCount;
}
double Twavefile::Duration() const {
  QUILLON_MAIN_THREAD_ONLY();
  return state_->duration;
}
uint32_t Twavefile::DataBytes() const {
  QUILLON_MAIN_THREAD_ONLY();
  return state_->dataBytes;
}
int32_t Twavefile::OriginalBits() const {
  QUILLON_MAIN_THREAD_ONLY();
  return state_->originalBits;
}
bool Twavefile::OriginalFloat() const {
  QUILLON_MAIN_THREAD_ONLY();
  return state_->originalFloat;
}
uint16_t Twavefile::SourceChannels() const {
  QUILLON_MAIN_THREAD_ONLY();
  return state_->sourceChannels ? state_->sourceChannels : state_->channels;
}
int16_t Twavefile::Peak() const {
  QUILLON_MAIN_THREAD_ONLY();
  return state_->peaks.peak;
}
int32_t Twavefile::PeakDb() const {
  QUILLON_MAIN_THREAD_ONLY();
  return state_->peaks.peakDb;
}
const TChannelPeaks& Twavefile::ChannelPeaks() const {
  QUILLON_MAIN_THREAD_ONLY();
  return state_->peaks.channelPeaks;
}
const Tcoarseindex& Twavefile::CoarseIndex() const {
  QUILLON_MAIN_THREAD_ONLY();
  return state_->peaks.coarse;
}
const Tindexdata& Twavefile::Index() const {
  QUILLON_MAIN_THREAD_ONLY();
  return state_->peaks.index;
}
TStoreWindow* Twavefile::Samples() const {
  QUILLON_MAIN_THREAD_ONLY();
  if (!window_ || &window_->Store() != state_->samples.get())
    window_ = state_->samples ? std::make_unique<TStoreWindow>(state_->samples) : nullptr;
  return window_.get();
}
const TWavHeader& Twavefile::Header() const {
  QUILLON_MAIN_THREAD_ONLY();
  return state_->header;
}
std::shared_ptr<const TAudioState> Twavefile::State() const {
  QUILLON_MAIN_THREAD_ONLY();
  return state_;
}
uint32_t Twavefile::Operation() const {
  QUILLON_MAIN_THREAD_ONLY();
  return operation_.load();
}
bool Twavefile::Loaded() const {
  QUILLON_MAIN_THREAD_ONLY();
  return loaded_;
}
bool Twavefile::Busy() const {
  QUILLON_MAIN_THREAD_ONLY();
  return busy_.load();
}
bool Twavefile::Modified() const {
  QUILLON_MAIN_THREAD_ONLY();
  return modified_;
}

// The operation runner

TOperationRequest Twavefile::MakeRequest(uint32_t operation) const {
  TOperationRequest request;
  request.operation = operation;
  request.source = state_;
  request.tempFolder = config.tempfolder;
  request.markers = markers_;
  request.sourceMap = sourceMap_;
  return request;
}

bool Twavefile::RunOperation(TOperationRequest request) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_) return false;
  busy_ = true;
  operation_ = request.operation;
  // Nothing may read a store that an edit is about to replace; the previous state stays
  // installed, and shown again, should the edit fail.
  if (IsEdit(request.operation) || request.operation == opOpen || request.operation == opRecover) {
    loaded_ = false;
    if (IsEdit(request.operation)) RaiseAction(true, false);
  }
  cancel_ = TCancelToken::Make();
  request.cancel = cancel_;
  worker_ = std::make_unique<CThread>(
      &TOperationJob::Run, std::move(request), progress_,
      [this](TOperationResult result) { OperationDone(std::move(result)); });
  worker_->Start();
  return true;
}

void Twavefile::Cancel() {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_) cancel_.Cancel();
}

void Twavefile::SetTags(TTags tags) {
  QUILLON_MAIN_THREAD_ONLY();
  if (tags == tags_) return;
  tags_ = std::move(tags);
  tagsChangedSinceSave_ = true;
  modified_ = true;
  RaiseStateChanged();
}

TMarkerList Twavefile::PlaceMarkers(TMarkerList markers) const {
  const int64_t end = state_->frameCount;
  for (TMarker& marker : markers.markers) marker.frame = std::clamp<int64_t>(marker.frame, 0, end);
  TMarkerList placed;
  for (TMarker& marker : markers.markers) placed.AddMarker(std::move(marker));
  for (TRegion& region : markers.regions)
    placed.AddRegion(
        {std::max<int64_t>(region.start, 0), std::min(region.end, end), std::move(region.name)});
  return placed;
}

bool Twavefile::SetMarkers(TMarkerList markers) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_) return false;
  TMarkerList placed = PlaceMarkers(std::move(markers));
  if (placed == *markers_) return true;
  markers_ = std::make_shared<const TMarkerList>(std::move(placed));
  markersChangedSinceSave_ = true;
  modified_ = true;
  RaiseStateChanged();
  if (OnMarkersSet) OnMarkersSet(this);
  return true;
}

void Twavefile::SetFileName(const std::string& path) {
  QUILLON_MAIN_THREAD_ONLY();
  fileName_ = path;
  if (state_->samples) UpdateModified();
}

void Twavefile::MarkSaved() {
  savedStore_ = state_->fileName;
  savedName_ = fileName_;
  savedMarkers_ = markers_;
  tagsChangedSinceSave_ = false;
  markersChangedSinceSave_ = false;
  modified_ = false;
}

void Twavefile::UpdateModified() {
  // A store name is reused only after its file is gone; a mark on a deleted state must not
  // match a later one that happens to get its name.
  if (!savedStore_.empty() && !HoldsStore(savedStore_)) savedStore_.clear();
  modified_ = savedStore_.empty() || savedStore_ != state_->fileName || savedName_ != fileName_ ||
              tagsChangedSinceSave_ || markersChangedSinceSave_ ||
              (markers_ != savedMarkers_ && *markers_ != *savedMarkers_);
}

bool Twavefile::HoldsStore(const std::string& store) const {
  if (store == state_->fileName) return true;
  for (const TStack* stack : {&undoStack_, &redoStack_})
    for (const std::string& name : stack->Names())
      if (name == store) return true;
  return false;
}

void Twavefile::OperationDone(TOperationResult result) {
  QUILLON_MAIN_THREAD_ONLY();
  worker_->Join();
  worker_.reset();
  const uint32_t operation = operation_;
  Install(result);
  if (result.message) ShowMessage(*result.message);
  if (OnNotice)
    for (const std::string& notice : result.notices) OnNotice(this, notice);
  const bool succeeded = result.outcome == TOperationResult::kSucceeded;
  if (succeeded && (operation == opOpen || operation == opRecover) && result.state && OnLoaded)
    OnLoaded(this);
  const bool usedFile = (operation == opOpen && result.state) || IsSave(operation);
  if (succeeded && usedFile && OnFileUsed) OnFileUsed(this, operationFile_);
  if (succeeded && result.mp3Frames && OnMp3FramesKept)
    OnMp3FramesKept(this, result.mp3Frames->copied, result.mp3Frames->encoded,
                    result.mp3Frames->joins);
  progress_ = 0;
  // A copy changes nothing of the document's state.
  if (operation != opCopy) RaiseStateChanged();
  if (OnReady) OnReady(this);
  busy_ = false;
  if (OnIdle) OnIdle(this);
}

void Twavefile::Install(const TOperationResult& result) {
  const uint32_t operation = operation_;
  const bool succeeded = result.outcome == TOperationResult::kSucceeded;
  if (succeeded && result.state) {
    if (IsEdit(operation))
      InstallEdit(result.state, result.markers, result.sourceMap);
    else if (operation == opBuildIndex)
      InstallSwitch(result.state);
    else if (operation == opRecover)
      InstallRecovery(result.state, result.recoveredMaps);
    else if (operation == opOpen)
      InstallOpened(result.state);
    else
      state_ = result.state;
  }
  if (succeeded && result.state && operation == opOpen) {
    markers_ = result.markers ? result.markers : NoMarkers();
    sourceMap_ = result.sourceMap;
  }
  if (succeeded && result.tags && (operation == opOpen || operation == opRecover))
    tags_ = *result.tags;
  switchingFrom_ = nullptr;
  recovering_.reset();
  if (result.outcome == TOperationResult::kCancelled) {
    // Everything as it was before the request: the name an open or recovery took included.
    if (operation == opOpen || operation == opRecover) fileName_ = nameBeforeOpen_;
    loaded_ = state_->samples != nullptr;
    // The window greys Undo while a file opens; the document still loaded keeps its history.
    if (IsEdit(operation) || operation == opOpen) RaiseAction(CanUndo(), CanRedo());
    return;
  }
  // A failed edit leaves the previous state, which is whole: it is shown again.
  if (operation != opOpen && operation != opRecover) loaded_ = state_->samples != nullptr;
  if (operation == opOpen || operation == opRecover) {
    loaded_ = succeeded && result.state;
    // A file that did not open names nothing: the document keeps the name it had.
    if (!loaded_) fileName_ = nameBeforeOpen_;
  }
  if (IsEdit(operation)) RaiseAction(CanUndo(), CanRedo());
  // The name a whole save went to is the document's from now on.
  if (succeeded && IsSave(operation) && savingWhole_) {
    fileName_ = operationFile_;
    MarkSaved();
  }
  if (succeeded && operation == opOpen && result.state) MarkSaved();
  // The clipboard changes only once a cut's range is gone.
  if (succeeded && result.clip) {
    Clipboard().SetWave(*result.clip);
    clipOrigin_ = result.clipOrigin;
  }
}

void Twavefile::ShowMessage(const TOperationMessage& message) {
  if (message.exception)
    MessageBoxes().ShowException(message.text);
  else
    MessageBoxes().Show(message.caption, message.text, message.icon);
}

void Twavefile::RaiseStateChanged() {
  if (OnStateChanged) OnStateChanged(this);
}

void Twavefile::RaiseAction(bool canUndo, bool canRedo) {
  if (OnAction) OnAction(this, canUndo, canRedo);
}

void Twavefile::BuildPeakIndex() {
  QUILLON_MAIN_THREAD_ONLY();
  if (!state_->samples) return;
  auto state = std::make_shared<TAudioState>(*state_);
  state->peaks =
      quillon::BuildPeakIndex(*state->samples, state->channels, state->frameCount, progress_);
  state_ = std::move(state);
}

// Open and close

void Twavefile::Open(const std::string& path) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_) return;
  nameBeforeOpen_ = fileName_;
  fileName_ = path;
  operationFile_ = path;
  TOperationRequest request = MakeRequest(opOpen);
  request.source.reset();
  request.fileName = path;
  RunOperation(std::move(request));
}

bool Twavefile::Recover(const TJournalState& state) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || loaded_ || state.current.empty()) return false;
  nameBeforeOpen_ = fileName_;
  fileName_ = state.source;
  recovering_ = state;
  TOperationRequest request = MakeRequest(opRecover);
  request.source.reset();
  request.fileName = state.current;
  request.tags = state.tags;
  request.coverFile = state.coverFile;
  request.recordedMaps = state.sourceMaps;
  return RunOperation(std::move(request));
}

namespace {

// A recovered history: a journal of an older run has no markers or maps for its states.
void PushRecovered(TStack& stack, const std::vector<std::string>& names,
                   const std::vector<TSharedMarkers>& markers,
                   const std::vector<TSharedSourceMap>& maps) {
  for (size_t i = 0; i < names.size(); ++i)
    stack.Push(names[i], i < markers.size() ? markers[i] : NoMarkers(),
               i < maps.size() ? maps[i] : nullptr);
}

}  // namespace

void Twavefile::InstallRecovery(std::shared_ptr<const TAudioState> state,
                                const TJournalSourceMaps& maps) {
  undoStack_ = TStack();
  redoStack_ = TStack();
  PushRecovered(undoStack_, recovering_->undo, recovering_->undoMarkers, maps.undo);
  PushRecovered(redoStack_, recovering_->redo, recovering_->redoMarkers, maps.redo);
  markers_ = recovering_->markers ? recovering_->markers : NoMarkers();
  // Without maps (an older journal, or a source changed since) the document saves by encoding.
  sourceMap_ = maps.current;
  state_ = std::move(state);
  // No state of a recovered history is known to match the file on disk.
  savedStore_.clear();
  modified_ = true;
  RaiseAction(CanUndo(), CanRedo());
}

void Twavefile::InstallOpened(std::shared_ptr<const TAudioState> state) {
  const bool hadHistory = CanUndo() || CanRedo();
  redoStack_.DeleteAll();
  undoStack_.DeleteAll();
  if (state_->samples) DeleteFileIfExists(state_->fileName);
  state_ = std::move(state);
  if (hadHistory) RaiseAction(false, false);
}

void Twavefile::Close() {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_) return;
  loaded_ = false;
  // The format, the peaks and the store's name stay as they were; the store goes.
  auto closed = std::make_shared<TAudioState>(*state_);
  closed->samples.reset();
  state_ = std::move(closed);
  fileName_.clear();
  savedStore_.clear();
  savedName_.clear();
  tagsChangedSinceSave_ = false;
  markersChangedSinceSave_ = false;
  tags_ = {};
  markers_ = NoMarkers();
  savedMarkers_ = NoMarkers();
  sourceMap_ = nullptr;
  modified_ = false;
  redoStack_.DeleteAll();
  undoStack_.DeleteAll();
  DeleteFileIfExists(state_->fileName);
  RaiseStateChanged();
}

}  // namespace quillon
