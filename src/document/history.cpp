// The document's history: the edit pattern every edit and effect follows, its rollback, and
// switching between states for undo and redo.
#include "document/wavfile.h"

#include "platform/filesystem.h"
#include "platform/mainthread.h"

namespace quillon {

void Twavefile::RaiseAction(bool canUndo, bool canRedo) {
  if (!OnAction) return;
  if (MainThread().IsMainThread()) {
    OnAction(this, canUndo, canRedo);
    return;
  }
  // Posted, so that the main thread sees it before the operation's end, which is posted later.
  MainThread().Post([this, canUndo, canRedo] {
    if (OnAction) OnAction(this, canUndo, canRedo);
  });
}

void Twavefile::PushUndo() {
  undoStack_.Push(tempFileName_);
  modified_ = true;
  RaiseAction(true, false);
}

void Twavefile::RunEdit(uint64_t newFrames, const std::function<void()>& writeSamples) {
  loaded_ = false;
  TStateSnapshot before{header_, index_, channelPeaks_, peak_, peakDb_, modified_};
  PushUndo();
  try {
    uint64_t newBytes = newFrames * channels_ * 2;
    CreateNextStore(newBytes);
    // Over the limit the store has refused already, so the size fits the header's fields.
    SetWavDataSize(header_, static_cast<uint32_t>(newBytes));
    nextSamples_->WriteHeader(header_);
    writeSamples();
    ParseHeader(header_);
    ReopenCurrent();
    BuildPeakIndex();
  } catch (...) {
    RollBackEdit(before);
    throw;
  }
  // The redo states go only now, so that a failed edit leaves them as they were.
  redoStack_.DeleteAll();
  loaded_ = true;
  RaiseAction(true, false);
}

void Twavefile::RollBackEdit(const TStateSnapshot& before) {
  nextSamples_.reset();
  samples_.reset();
  std::string failed = tempFileName_;
  tempFileName_ = undoStack_.Pop();
  if (failed != tempFileName_) DeleteFileIfExists(failed);
  ParseHeader(before.header);
  index_ = before.index;
  channelPeaks_ = before.channelPeaks;
  peak_ = before.peak;
  peakDb_ = before.peakDb;
  modified_ = before.modified;
  progress_ = 0;
  ReopenPrevious();
}

void Twavefile::ReopenPrevious() {
  try {
    samples_ = std::make_unique<TLargeFile>(tempFileName_, false);
  } catch (...) {
    // The previous state's file is unreadable too: stay unloaded rather than show garbage.
    loaded_ = false;
    RaiseAction(false, false);
    return;
  }
  loaded_ = true;
  RaiseAction(!undoStack_.IsEmpty(), !redoStack_.IsEmpty());
}

void Twavefile::SwitchState(TStack& from, TStack& to) {
  std::string target = from.Pop();
  std::unique_ptr<TLargeFile> store;
  try {
    store = std::make_unique<TLargeFile>(target, false);
  } catch (...) {
    from.Push(target);
    throw;
  }
  to.Push(tempFileName_);
  switchedFrom_ = &from;
  switchedHeader_ = header_;
  tempFileName_ = target;
  samples_ = std::move(store);
  TWavHeader header;
  samples_->ReadHeader(header);
  ParseHeader(header);
  operation_ = opBuildIndex;
  RaiseStateChanged();
  RunOperation();
  RaiseAction(!undoStack_.IsEmpty(), !redoStack_.IsEmpty());
}

void Twavefile::IndexSwitchedState() {
  try {
    BuildPeakIndex();
  } catch (...) {
    SwitchBack();
    throw;
  }
}

void Twavefile::SwitchBack() {
  TStack& to = switchedFrom_ == &undoStack_ ? redoStack_ : undoStack_;
  samples_.reset();
  switchedFrom_->Push(tempFileName_);
  tempFileName_ = to.Pop();
  ParseHeader(switchedHeader_);
  ReopenPrevious();
}

void Twavefile::Undo() {
  if (busy_ || !loaded_ || undoStack_.IsEmpty()) return;
  SwitchState(undoStack_, redoStack_);
}

void Twavefile::Redo() {
  if (busy_ || !loaded_ || redoStack_.IsEmpty()) return;
  SwitchState(redoStack_, undoStack_);
}

}  // namespace quillon
