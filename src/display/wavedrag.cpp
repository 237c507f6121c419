// Dragging the selection out of the waveform view to other programs, as a WAV file.
#include <QApplication>
#include <QDrag>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>

#include "display/dragfiles.h"
#include "display/waveview.h"
#include "document/rangeclip.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/filesystem.h"
#include "platform/messagebox.h"
#include "platform/qt/wavefilemimedata.h"

namespace quillon {

TDragFiles::~TDragFiles() {
  for (const std::string& path : paths_) DeleteFileIfExists(path);
}

bool TWaveView::InsideSelection(int32_t x) const {
  if (!selected_ || !DocumentLoaded()) return false;
  const uint32_t frame = FrameAt(x);
  return frame >= selStart_ && frame <= selStop_;
}

bool TWaveView::FarEnoughToDrag(const QMouseEvent* event) const {
  return (event->position().toPoint() - dragFrom_).manhattanLength() >=
         QApplication::startDragDistance();
}

// The selection streams from the store into its file on the clip writer's thread; the drag
// starts once the file is complete.
void TWaveView::DragSelectionOut() {
  if (!selected_ || !DocumentLoaded() || document_->Busy() || selStop_ <= selStart_) return;
  dragWriter_.Write(
      [state = document_->State(), start = selStart_, stop = selStop_](TFileWriter& out) {
        WriteRangeClip(*state, start, stop, out);
      },
      [this](const std::string& file) { DragFile(file); },
      [](const std::string& failure) {
        MessageBoxes().Show(kApplicationTitle, ConstantText("draghandout") + " " + failure,
                            TMessageIcon::Exclamation);
      });
}

void TWaveView::DragFile(const std::string& file) {
  // Let go while the file was written: that was no drag after all.
  if (!DragRunner && !(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
    dragWriter_.Delete(file);
    return;
  }
  dragFiles_.Add(file);
  auto data = std::make_unique<TWaveFileMimeData>(file);
  if (DragRunner) {
    DragRunner(std::move(data));
    return;
  }
  auto* drag = new QDrag(this);
  drag->setMimeData(data.release());
  drag->exec(Qt::CopyAction);
}

}  // namespace quillon
