// Marker steps of the history: a change of the markers alone is a state of its own that shares
// its audio store with the state before it, so that undo and redo of it cost no copy and no
// worker.
#include <algorithm>

#include "document/wavfile.h"
#include "platform/mainthread.h"

namespace quillon {

bool Twavefile::ChangeMarkers(TMarkerList markers) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_) return false;
  TMarkerList placed = PlaceMarkers(std::move(markers));
  if (placed == *markers_) return true;
  undoStack_.Push(state_->fileName, markers_);
  DropRedo();
  markers_ = std::make_shared<const TMarkerList>(std::move(placed));
  UpdateModified();
  RaiseAction(CanUndo(), CanRedo());
  RaiseStateChanged();
  if (OnMarkersSet) OnMarkersSet(this);
  return true;
}

void Twavefile::SwitchMarkers(TStack& from) {
  TStack& to = &from == &undoStack_ ? redoStack_ : undoStack_;
  TSharedMarkers markers = from.TopMarkers();
  from.Pop();
  to.Push(state_->fileName, std::move(markers_));
  markers_ = std::move(markers);
  UpdateModified();
  RaiseAction(CanUndo(), CanRedo());
  RaiseStateChanged();
  if (OnMarkersSet) OnMarkersSet(this);
}

void Twavefile::DropRedo() {
  const std::vector<std::string>& kept = undoStack_.Names();
  const std::string& current = state_->fileName;
  redoStack_.DeleteAllBut([&](const std::string& name) {
    return name == current || std::find(kept.begin(), kept.end(), name) != kept.end();
  });
}

}  // namespace quillon
