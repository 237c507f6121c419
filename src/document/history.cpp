// The document's history: installing an edit's new state, and undo and redo, which take up
// another state on the worker and move the stacks once it is installed. Modified follows the
// state: it is clear exactly on the state last saved whole.
#include "document/wavfile.h"

#include "platform/mainthread.h"

namespace quillon {

void Twavefile::InstallEdit(std::shared_ptr<const TAudioState> state, TSharedMarkers markers,
                            TSharedSourceMap sourceMap) {
  undoStack_.Push(state_->fileName, markers_, std::move(sourceMap_));
  if (markers) markers_ = std::move(markers);
  sourceMap_ = std::move(sourceMap);
  // The redo states go only now, so that a failed edit leaves them as they were.
  DropRedo();
  state_ = std::move(state);
  UpdateModified();
}

void Twavefile::InstallSwitch(std::shared_ptr<const TAudioState> state) {
  TStack& to = switchingFrom_ == &undoStack_ ? redoStack_ : undoStack_;
  TSharedMarkers markers = switchingFrom_->TopMarkers();
  TSharedSourceMap sourceMap = switchingFrom_->TopSourceMap();
  switchingFrom_->Pop();
  to.Push(state_->fileName, std::move(markers_), std::move(sourceMap_));
  markers_ = std::move(markers);
  sourceMap_ = std::move(sourceMap);
  state_ = std::move(state);
  UpdateModified();
  RaiseAction(CanUndo(), CanRedo());
}

void Twavefile::SwitchState(TStack& from) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_ || from.IsEmpty()) return;
  // Only a marker step leaves its store to the next state; a new store always has a new name.
  if (from.Top() == state_->fileName) {
    SwitchMarkers(from);
    return;
  }
  TOperationRequest request = MakeRequest(opBuildIndex);
  request.fileName = from.Top();
  switchingFrom_ = &from;
  RunOperation(std::move(request));
}

void Twavefile::Undo() {
  SwitchState(undoStack_);
}

void Twavefile::Redo() {
  SwitchState(redoStack_);
}

}  // namespace quillon
