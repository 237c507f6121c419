#include "shell/framesnapcontrol.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "mp3frames/framegrid.h"
#include "platform/config.h"
#include "shell/framelines.h"

namespace quillon {

TFrameSnapControl::TFrameSnapControl(QMainWindow* window, TWaveView* wave)
    : QObject(window), wave_(wave), lines_(new TFrameLines(*wave)) {
  action_ = new QAction("Snap to MP3 &Frames", window);
  action_->setObjectName("SnapToFramesAction");
  action_->setCheckable(true);
  action_->setChecked(config.snaptoframes);
  connect(action_, &QAction::toggled, this, [this](bool on) {
    config.snaptoframes = on;
    if (on) Snap(wave_->SelStart(), wave_->SelStop(), wave_->Selected());
  });
  if (auto* edit = window->menuBar()->findChild<QMenu*>("EditMenu")) {
    edit->addSeparator();
    edit->addAction(action_);
  }
  // Queued, so that every receiver of the selection hears of it before the snapped one.
  connect(
      wave, &TWaveView::SelectionChanged, this,
      [this](uint32_t start, uint32_t stop, uint32_t, uint32_t, bool selected) {
        Snap(start, stop, selected);
      },
      Qt::QueuedConnection);
}

void TFrameSnapControl::Snap(uint32_t start, uint32_t stop, bool selected) {
  const Twavefile* document = wave_->Document();
  if (!selected) snapped_.reset();
  // A selection the view has moved on from since, or one still being dragged, stays.
  if (!action_->isChecked() || !selected || !document || !document->Loaded() ||
      wave_->Selecting() || !wave_->Selected() || wave_->SelStart() != start ||
      wave_->SelStop() != stop)
    return;
  const TSharedSourceMap& map = document->SourceMap();
  const std::optional<TFrameGrid> grid = map ? GridOf(*map) : std::nullopt;
  if (!grid) return;
  const auto [from, to] = SnapRange(map->spans, *grid, {start, stop}, snapped_);
  snapped_.emplace(from, to);
  if (from == start && to == stop) return;
  const auto a = static_cast<uint32_t>(from), b = static_cast<uint32_t>(to);
  // The cursor on an edge (the keys extend from there) goes with it.
  const uint32_t cursor = wave_->CursorPos();
  wave_->SetSelection(a, b, true);
  if (cursor == start || cursor == stop) wave_->SetCursorPos(cursor == start ? a : b);
  emit wave_->SelectionChanged(a, b, wave_->SamplesToMs(a), wave_->SamplesToMs(b), true);
}

}  // namespace quillon
