// The main window between commands: the document's and the view's events, the timers, the
// volume bar, dropped files, the clipboard watch and the mouse wheel.
#include <QAction>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QWheelEvent>

#include "display/vumeter.h"
#include "display/waveview.h"
#include "document/journalwriter.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/config.h"
#include "platform/mainthread.h"
#include "platform/messagebox.h"
#include "platform/startuptrace.h"
#include "shell/dialogs/properties.h"
#include "shell/filedialogs.h"
#include "shell/main.h"
#include "shell/tools/toolsmenu.h"
#include "shell/utils.h"
#include "update/checkpad5.h"

namespace quillon {

namespace {

constexpr int kWheelNotch = 120;
// How often the window looks whether the sound device has opened: it takes a few dozen ms.
constexpr int kPlayerWaitMs = 10;
constexpr int kAfterFirstPaintMs = 50;

QString Text(const char* key) {
  return QString::fromStdString(ConstantText(key));
}

// The first local file among dropped items.
std::optional<std::string> FirstDroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return std::nullopt;
  const QList<QUrl> urls = data->urls();
  if (urls.isEmpty() || !urls.front().isLocalFile()) return std::nullopt;
  return urls.front().toLocalFile().toStdString();
}

// The file is only read: a source that proposes Move (a file manager with Shift held) must not
// delete the user's original once the drop is done. A source that offers no copy is refused.
bool AcceptAsCopy(QDropEvent* event) {
  if (!(event->possibleActions() & Qt::CopyAction)) return false;
  event->setDropAction(Qt::CopyAction);
  event->accept();
  return true;
}

}  // namespace

void Tmainform::openfile(const std::string& path) {
  if (path == document_->FileName()) {
    MessageBoxes().Show(kApplicationTitle, ConstantText("alreadyloaded"), TMessageIcon::None);
    return;
  }
  RunAfterCloseQuery([this, path] {
    SetScrollState(Scroll, 100, 0, 0);
    updatecaption(path);
    // The history belongs to the document that has just gone.
    SetAvailable(UndoAction, false);
    SetAvailable(RedoAction, false);
    ClearNotices();
    document_->Open(path);
  });
}

bool Tmainform::MayCloseDocument(std::function<void()> retry) {
  if (document_->Busy() || document_->Progress() != 0) {
    MessageBoxes().Show(kApplicationTitle, ConstantText("operationinprogress"),
                        TMessageIcon::Question);
    return false;
  }
  // Tags edited in the properties window are part of what may be saved.
  if (propertiesForm_ && !propertiesForm_->SettleEdits()) return false;
  if (view_->QueryClose()) return true;
  // Asked again after the save, the query finds nothing unsaved and lets the command go on.
  if (view_->CloseAfterSave()) afterSave_ = std::move(retry);
  return false;
}

void Tmainform::RunAfterCloseQuery(std::function<void()> next) {
  if (MayCloseDocument([this, next] { RunAfterCloseQuery(next); })) next();
}

void Tmainform::updatecaption(const std::string& fileName) {
  setWindowTitle(QString::fromStdString(WindowCaption(fileName, document_->Modified())));
}

void Tmainform::onStateChanged() {
  journal_->Record(*document_);
  if (propertiesForm_) propertiesForm_->DocumentChanged();
  // Closed, the caption is the Close command's; otherwise it follows Modified.
  if (!document_->FileName().empty()) updatecaption(document_->FileName());
}

void Tmainform::OnAction(bool canUndo, bool canRedo) {
  QUILLON_MAIN_THREAD_ONLY();
  SetAvailable(UndoAction, canUndo);
  SetAvailable(RedoAction, canRedo);
}

void Tmainform::onLoaded() {
  QUILLON_MAIN_THREAD_ONLY();
  view_->AttachDocument(document_.get());
  updatecaption(document_->FileName());
}

void Tmainform::onReady() {
  QUILLON_MAIN_THREAD_ONLY();
  const uint32_t frames = document_->FrameCount();
  // The cursor, the selection, its boxes and commands and the scales follow the new state.
  view_->FollowDocument();
  if (!view_->Selected()) HoldSelectionBoxesTo(frames);
  const uint32_t page = std::min<uint32_t>(Scroll->pageStep(), frames);
  // An open that failed or was stopped leaves nothing loaded, whatever the caption said meanwhile.
  if (document_->Loaded())
    WriteDocumentPanels();
  else
    ShowNothingLoaded();
  SetScrollState(Scroll, frames, page, Scroll->value());
  ProgressBar->setValue(0);
  ProgressBar->hide();
  ShowCancelControls(false);
  // An operation's notices come before its OnReady.
  noticesEnded_ = true;
  demoLabel_->setVisible(!AdvancedEditionPage().empty());
  if (view_->CloseAfterSave()) {
    view_->ClearCloseAfterSave();
    auto next = std::move(afterSave_);
    afterSave_ = nullptr;
    // A failed save keeps the edits: nothing is closed. The document is still busy here, so
    // the command goes on once it is idle.
    if (next && !document_->Modified()) QTimer::singleShot(0, this, next);
  }
  // Busy until this returns: the commands that waited run once it has.
  QTimer::singleShot(0, this, [this] { RunWaitingCommands(); });
}

void Tmainform::onNotice(const std::string& text) {
  QUILLON_MAIN_THREAD_ONLY();
  QString shown = QString::fromStdString(text);
  if (!noticesEnded_ && !noticePanel_->text().isEmpty())
    shown = noticePanel_->text() + "  \u2022  " + shown;
  noticesEnded_ = false;
  noticePanel_->setText(shown);
  noticePanel_->setToolTip(shown);
}

void Tmainform::ClearNotices() {
  noticePanel_->clear();
  noticePanel_->setToolTip(QString());
  noticesEnded_ = true;
}

void Tmainform::onSelect(uint32_t start, uint32_t stop, uint32_t startms, uint32_t stopms,
                         bool selected) {
  if (selected) {
    selstart->setText(
        QString::fromStdString(SelectionBoxText(config.selectiontype, start, startms)));
    selstop->setText(QString::fromStdString(SelectionBoxText(config.selectiontype, stop, stopms)));
  }
  EnableSelectionCommands(selected);
  const QSignalBlocker quiet(sel);
  sel->setChecked(selected);
}

void Tmainform::onCursor(uint32_t position, uint32_t positions) {
  WriteCursorPanel(position, positions);
  timedisplay->setText(QString::fromStdString(FormatMs(positions)));
}

void Tmainform::WriteDocumentPanels() {
  statusPanels_[0]->setText(
      Text("formatstring") +
      QString(" %1 Hz, %2 ").arg(document_->SampleRate()).arg(document_->Channels()) +
      Text("channelsshort"));
  statusPanels_[2]->setText(Text("amplitudestring") + QString(" %1 dB").arg(document_->PeakDb()));
  statusPanels_[3]->setText(Text("durationstring") + " " +
                            QString::fromStdString(FormatDuration(document_->Duration())));
}

void Tmainform::WriteCursorPanel(uint32_t position, uint32_t positions) {
  const std::string shown =
      config.selectiontype == 1 ? std::to_string(position) : FormatMs(positions);
  statusPanels_[1]->setText(Text("cursorpositionstring") + " " + QString::fromStdString(shown));
}

void Tmainform::RewriteStatusPanels() {
  // Empty panels stay empty: nothing is open, or the document was closed.
  if (!statusPanels_[0]->text().isEmpty()) WriteDocumentPanels();
  if (!statusPanels_[1]->text().isEmpty()) WriteCursorPanel(view_->CursorPos(), view_->CursorMs());
}

void Tmainform::playprocess(bool action) {
  if (action)
    VizTimer->start();
  else
    VizTimer->stop();
  SetAvailable(PlayAction, !action);
  StopAction->setEnabled(action);
  PauseAction->setEnabled(action);
  enableeffects(!action);
  if (!action) VUMeter1->ResetVisual();
  GiveSpaceTo(action ? StopAction : PlayAction);
}

void Tmainform::GiveSpaceTo(QAction* action) {
  PlayAction->setShortcut(action == PlayAction ? QKeySequence(Qt::Key_Space) : QKeySequence());
  StopAction->setShortcut(action == StopAction ? QKeySequence(Qt::Key_Space) : QKeySequence());
}

void Tmainform::enableeffects(bool on) {
  for (QAction* action : {FadeInAction, FadeOutAction, SilenceAction, NormalizationAction,
                          ReverseAction, InvertAction, AmplifyIAction, AmplifyDAction}) {
    // A command whose handler has not joined yet stays unavailable.
    SetAvailable(action, on && IsLive(action));
  }
}

void Tmainform::ProgressTimerTimer() {
  QUILLON_MAIN_THREAD_ONLY();
  const int32_t progress = document_->Progress();
  // An operation that began without a command (at start-up, say) also lets commands wait.
  if (CommandsWait() != waitingShown_) RefreshAvailability();
  if (progress > 0) {
    ProgressBar->show();
    ProgressBar->raise();
    demoLabel_->hide();
  }
  ProgressBar->setValue(progress);
  ShowCancelControls(document_->Busy());
  // A document that fits the view needs no scrolling.
  const int64_t page = Scroll->pageStep();
  Scroll->setEnabled(!(page > static_cast<int64_t>(document_->FrameCount()) - 100));
}

void Tmainform::VizTimerTimer() {
  std::array<int16_t, 8> levels{};
  if (!view_->ReadLevels(levels)) return;
  maxsample points{};
  const int channels = std::min<int>(document_->Channels(), static_cast<int>(levels.size()));
  for (int i = 0; i < channels; ++i) points[i] = levels[i];
  VUMeter1->event_s(points, channels);
}

void Tmainform::VolumeBarChange() {
  // Without a device the bar is disabled; before it has opened the view keeps the volume.
  if (!view_) return;
  config.volume = VolumePosition();
  view_->SetVolume(PlayerVolume(config.volume));
}

int32_t Tmainform::VolumePosition() const {
  return -VolumeBar->value();
}

void Tmainform::SetVolumePosition(int32_t position) {
  VolumeBar->setValue(-position);
}

void Tmainform::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void Tmainform::paintEvent(QPaintEvent* event) {
  if (!painted_) {
    StartupStep("first paint");
    // A moment after this paint is on the screen, so that the window's first frames and the
    // user's first keys do not wait for it.
    QTimer::singleShot(kAfterFirstPaintMs, this, &Tmainform::AfterFirstPaint);
  }
  painted_ = true;
  QMainWindow::paintEvent(event);
}

void Tmainform::AfterFirstPaint() {
  if (destroyed_) return;
  MakeDialogs();
  StartupStep("after the first paint: dialogs made");
  if (config.updates) {
    versionCheck_->ShowUpToDate = false;
    versionCheck_->CheckVersion();
  }
  view_->OpenPlayerAside();
  playerWait_ = new QTimer(this);
  playerWait_->setInterval(kPlayerWaitMs);
  connect(playerWait_, &QTimer::timeout, this, &Tmainform::WaitForPlayer);
  playerWait_->start();
}

void Tmainform::WaitForPlayer() {
  if (view_->PlayerOpening()) return;
  playerWait_->stop();
  VolumeBar->setEnabled(view_->HasPlayer());
  StartupStep("after the first paint: sound device open");
}

void Tmainform::FormResize() {
  if (demoLabel_) PlaceDemoLabel(*demoLabel_);
}

void Tmainform::ScrollChange() {
  view_->ScrollChanged();
}

void Tmainform::OpenActionExecute() {
  // The name is asked now; whether unsaved changes go is asked at the command's turn.
  const QString path = AskOpenFileName(this);
  if (path.isEmpty()) return;
  OpenChosenFile(path.toStdString());
}

void Tmainform::OpenChosenFile(const std::string& path) {
  Give({[this, path] {
          WriteSelectionBox(selstart, 0);
          WriteSelectionBox(selstop, 0);
          if (document_->Loaded()) StopActionExecute();
          openfile(path);
          return document_->Busy() ? TCommandOutcome::Started() : TCommandOutcome::Done();
        },
        true});
}

void Tmainform::CloseActionExecute() {
  Give({[this] {
          RunAfterCloseQuery([this] {
            ShowNothingLoaded();
            ClearNotices();
          });
          // The close query may have started a save.
          return document_->Busy() ? TCommandOutcome::Started() : TCommandOutcome::Done();
        },
        true});
}

void Tmainform::ShowNothingLoaded() {
  view_->AttachDocument(document_.get());
  for (QLabel* panel : statusPanels_) panel->clear();
  setWindowTitle(kApplicationTitle);
  EnableSelectionCommands(false);
  SetAvailable(UndoAction, false);
  SetAvailable(RedoAction, false);
}

void Tmainform::PlayGiven() {
  Give({[this] {
    PlayActionExecute();
    return TCommandOutcome::Done();
  }});
}

void Tmainform::PlayActionExecute() {
  // Without waiting for a device still opening: the view plays once it is open.
  if (!document_->Loaded() || document_->Busy()) return;
  view_->StartPlay();
  VolumeBarChange();
  // Nothing to play (the cursor at the end, say) leaves the commands as they were.
  if (!view_->Playing()) return;
  StopAction->setEnabled(true);
  PauseAction->setEnabled(true);
  enableeffects(false);
  SetAvailable(PlayAction, false);
  VUMeter1->ResetVisual();
  GiveSpaceTo(StopAction);
}

void Tmainform::StopActionExecute() {
  if (!VizTimer->isActive()) return;
  view_->StopPlay();
  StopAction->setEnabled(false);
  PauseAction->setEnabled(false);
  SetAvailable(PlayAction, true);
  enableeffects(true);
  VUMeter1->event_s(maxsample{}, document_->Channels());
  VUMeter1->ClearVisual();
  GiveSpaceTo(PlayAction);
}

void Tmainform::PauseActionExecute() {
  if (view_->Playing()) view_->StopPlay();
}

void Tmainform::wheelEvent(QWheelEvent* event) {
  if (config.likepeers && (event->modifiers() & Qt::ControlModifier)) {
    // Other editors zoom at the pointer with Ctrl and the wheel, a notch a step.
    wheelRemainder_ += event->angleDelta().y();
    const int x = view_->mapFrom(this, event->position().toPoint()).x();
    for (; wheelRemainder_ >= kWheelNotch; wheelRemainder_ -= kWheelNotch) view_->ZoomAt(x, true);
    for (; wheelRemainder_ <= -kWheelNotch; wheelRemainder_ += kWheelNotch) view_->ZoomAt(x, false);
    event->ignore();
    return;
  }
  int along = event->angleDelta().y();
  int across = event->angleDelta().x();
  // Shift turns the wheel sideways; some systems deliver it so already.
  if (event->modifiers() & Qt::ShiftModifier) {
    if (across == 0) across = along;
    along = 0;
  }
  view_->ScrollByWheel(across);
  // Touchpads send parts of a notch; whole notches zoom.
  wheelRemainder_ += along;
  while (wheelRemainder_ >= kWheelNotch) {
    wheelRemainder_ -= kWheelNotch;
    view_->ZoomIn();
  }
  while (wheelRemainder_ <= -kWheelNotch) {
    wheelRemainder_ += kWheelNotch;
    view_->ZoomOut();
  }
  event->ignore();
}

void Tmainform::dragEnterEvent(QDragEnterEvent* event) {
  // The view's own selection dragged back in would replace the document with a part of it.
  if (event->source()) return;
  if (FirstDroppedFile(event->mimeData())) AcceptAsCopy(event);
}

void Tmainform::dropEvent(QDropEvent* event) {
  if (event->source()) return;
  const auto path = FirstDroppedFile(event->mimeData());
  if (!path || !AcceptAsCopy(event)) return;
  Give({[this, path = *path] {
          openfile(path);
          return document_->Busy() ? TCommandOutcome::Started() : TCommandOutcome::Done();
        },
        true});
}

}  // namespace quillon
