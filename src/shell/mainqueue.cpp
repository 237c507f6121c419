// The main window's side of the command queue: what a command captures when it is given, when
// it waits, the count in the progress area, skipped commands in the status bar and Esc.
#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <algorithm>

#include "display/waveview.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/clipboard.h"
#include "platform/mainthread.h"
#include "shell/main.h"
#include "shell/progressrow.h"

namespace quillon {

namespace {

constexpr int kStatusLineMs = 10000;

TClipContents ReadClipboard() {
  TClipContents contents;
  contents.block = Clipboard().GetWave();
  if (!contents.block) contents.files = Clipboard().GetFiles();
  return contents;
}

}  // namespace

bool Tmainform::CommandsWait() const {
  return document_->Busy() || !commands_.Empty();
}

void Tmainform::Give(TQueuedCommand command) {
  QUILLON_MAIN_THREAD_ONLY();
  if (CommandsWait()) {
    commands_.Add(std::move(command));
  } else {
    // Given with nothing ahead of it, a command that cannot run does nothing and says nothing.
    command.run();
  }
  RefreshAvailability();
}

void Tmainform::RunWaitingCommands() {
  QUILLON_MAIN_THREAD_ONLY();
  if (destroyed_) return;
  // A save that a close query started runs first; its end comes back here.
  if (!document_->Busy()) commands_.RunUntilStarted();
  RefreshAvailability();
}

void Tmainform::EscapeExecute() {
  const size_t dropped = commands_.Drop();
  if (dropped > 0) ShowStatusLine(ConstantText("commandsdropped", "%1", std::to_string(dropped)));
  RefreshAvailability();
  CancelOperation();
}

void Tmainform::ShowWaitingCount() {
  const size_t waiting = commands_.Waiting();
  if (waiting > 0)
    waitingLabel_->setText(
        QString::fromStdString(ConstantText("commandswaiting", "%1", std::to_string(waiting))));
  waitingLabel_->setVisible(waiting > 0);
  PlaceProgressRow(*PageControl1, *ProgressBar, *waitingLabel_, *CancelButton);
}

void Tmainform::ShowStatusLine(const std::string& text) {
  StatusBar->showMessage(QString::fromStdString(text), kStatusLineMs);
}

std::string Tmainform::Skipped(const QAction* action, const char* key) const {
  return ConstantText(key, "%s", action->text().remove('&').trimmed().toStdString());
}

Tmainform::TPlace Tmainform::PlaceNow() const {
  return {view_->SelStart(), view_->SelStop(), view_->Selected(), view_->CursorPos()};
}

std::function<Tmainform::TPlace()> Tmainform::PlaceWhenGiven() const {
  if (commands_.AnyMovesSelection()) return [this] { return PlaceNow(); };
  return [place = PlaceNow()] { return place; };
}

std::function<TClipContents()> Tmainform::ClipboardWhenGiven() const {
  const uint32_t running = document_->Busy() ? document_->Operation() : 0;
  if (commands_.AnyFillsClipboard() || running == opCut || running == opCopy) return ReadClipboard;
  return [contents = ReadClipboard()] { return contents; };
}

void Tmainform::SetAvailable(QAction* action, bool on) {
  action->setProperty(kAvailableProperty, on);
  const bool queueable =
      std::find(queueable_.begin(), queueable_.end(), action) != queueable_.end();
  action->setEnabled(on || (queueable && document_ && CommandsWait()));
}

void Tmainform::RefreshAvailability() {
  // While commands wait, whether one can run is known only at its turn: each takes its key.
  waitingShown_ = CommandsWait();
  for (QAction* action : queueable_)
    action->setEnabled(action->property(kAvailableProperty).toBool() || waitingShown_);
  ShowWaitingCount();
}

}  // namespace quillon
