// Dragging the selection out of the waveform view to other programs, as a WAV file.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>

#include "display/dragfiles.h"
#include "display/waveview.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/copiedwavfile.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/messagebox.h"
#include "platform/qt/qtclipboard.h"

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

std::unique_ptr<QMimeData> TWaveView::SelectionMimeData() {
  if (!selected_ || !document_) return nullptr;
  std::vector<uint8_t> block;
  std::string file;
  try {
    block = document_->RangeBlock(selStart_, selStop_);
    if (block.empty()) return nullptr;
    file = WriteClipFile(block.data(), block.size());
  } catch (const Exception& error) {
    MessageBoxes().Show(kApplicationTitle, ConstantText("draghandout") + " " + error.what(),
                        TMessageIcon::Exclamation);
    return nullptr;
  }
  dragFiles_.Add(file);
  const QByteArray bytes(reinterpret_cast<const char*>(block.data()),
                         static_cast<qsizetype>(block.size()));
  return std::unique_ptr<QMimeData>(TQtClipboard::MakeWaveMimeData(bytes, file));
}

void TWaveView::DragSelectionOut() {
  std::unique_ptr<QMimeData> data = SelectionMimeData();
  if (!data) return;
  if (DragRunner) {
    DragRunner(std::move(data));
    return;
  }
  auto* drag = new QDrag(this);
  drag->setMimeData(data.release());
  drag->exec(Qt::CopyAction);
}

}  // namespace quillon
