#include "shell/preview/previewcontroller.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QWidget>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "playback/previewsource.h"

namespace quillon {

TPreviewController::TPreviewController(QWidget& window, TWaveView& view, Twavefile& document,
                                       TPreviewHost host)
    : QObject(&window), window_(window), view_(view), document_(document), host_(std::move(host)) {
  setObjectName("PreviewController");
  LoopPlayAction = MakeAction("LoopPlayAction", "Loop Pla&y", "Loop Play",
                              QKeySequence("Ctrl+Space"), &TPreviewController::LoopPlayExecute);
  CutPreviewAction =
      MakeAction("CutPreviewAction", "Play C&ut Preview", "Play Cut Preview",
                 QKeySequence("Shift+Space"), &TPreviewController::CutPreviewExecute);
  // A play that ends some other way (Stop, the document closing) ends the dialog's preview.
  connect(&view_, &TWaveView::PlayStatusChanged, this, [this](bool playing) {
    if (playing) return;
    for (TDialogPreview* dialog : dialogs_) dialog->PlaybackEnded();
  });
}

QAction* TPreviewController::MakeAction(const char* name, const char* caption, const char* hint,
                                        const QKeySequence& key,
                                        void (TPreviewController::*execute)()) {
  auto* action = new QAction(caption, &window_);
  action->setObjectName(name);
  action->setToolTip(hint);
  action->setShortcut(key);
  connect(action, &QAction::triggered, this, [this, execute] { (this->*execute)(); });
  return action;
}

void TPreviewController::AddToMenu(QMenu& operations, QAction* after) {
  const QList<QAction*> actions = operations.actions();
  const qsizetype at = actions.indexOf(after);
  QAction* before = at >= 0 && at + 1 < actions.size() ? actions[at + 1] : nullptr;
  operations.insertActions(before, {LoopPlayAction, CutPreviewAction});
}

std::vector<QAction*> TPreviewController::QueueableActions() const {
  return {LoopPlayAction, CutPreviewAction};
}

TDialogPreview& TPreviewController::Attach(QDialog& dialog, QBoxLayout& buttons) {
  auto* preview = new TDialogPreview(
      dialog, buttons, {[this] { return StartPreview(); }, [this] { StopPreview(); }});
  dialogs_.push_back(preview);
  connect(preview, &QObject::destroyed, this, [this, preview] { std::erase(dialogs_, preview); });
  return *preview;
}

std::pair<int64_t, int64_t> TPreviewController::PlayRange() const {
  if (view_.Selected() && view_.SelStop() > view_.SelStart())
    return {view_.SelStart(), int64_t{view_.SelStop()} - view_.SelStart()};
  return {0, document_.FrameCount()};
}

bool TPreviewController::Playable() const {
  return document_.Loaded() && !document_.Busy();
}

bool TPreviewController::Play(const std::shared_ptr<TPreviewSource>& source) {
  if (!Playable() || source->PlayFrames() <= 0) return false;
  host_.stopPlayback();
  return view_.StartPlaySource(source, source->PlayFrames());
}

std::shared_ptr<TPreviewSource> TPreviewController::StartPreview() {
  if (!Playable()) return nullptr;
  const auto [first, frames] = PlayRange();
  auto source = MakeLoopSource(document_.State(), first, frames);
  const uint32_t cursor = view_.CursorPos();
  if (!Play(source)) return nullptr;
  cursorBefore_ = cursor;
  return source;
}

void TPreviewController::StopPreview() {
  host_.stopPlayback();
  view_.SetCursorPos(cursorBefore_);
}

void TPreviewController::LoopPlayExecute() {
  host_.give({[this] {
    if (Playable()) {
      const auto [first, frames] = PlayRange();
      Play(MakeLoopSource(document_.State(), first, frames));
    }
    return TCommandOutcome::Done();
  }});
}

// Without a selection the cut is at the cursor, and nothing is skipped.
void TPreviewController::CutPreviewExecute() {
  host_.give({[this] {
    if (Playable()) {
      const bool selected = view_.Selected() && view_.SelStop() > view_.SelStart();
      const int64_t first = selected ? view_.SelStart() : view_.CursorPos();
      const int64_t stop = selected ? view_.SelStop() : first;
      const int64_t rate = document_.SampleRate();
      Play(MakeCutPreviewSource(document_.State(), first, stop, kCutLeadSeconds * rate,
                                kCutTailSeconds * rate));
    }
    return TCommandOutcome::Done();
  }});
}

}  // namespace quillon
