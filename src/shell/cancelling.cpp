// Stopping the running operation: the Cancel button beside the progress bar, Esc (with the
// waiting commands), and the close of the window, which stops an operation and closes once it
// has ended rather than waiting for it.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include "document/wavfile.h"
#include "platform/mainthread.h"
#include "shell/closeafterwork.h"
#include "shell/main.h"
#include "shell/progressrow.h"

namespace quillon {

void Tmainform::CreateCancelControls() {
  CancelButton = new QPushButton("Cancel", PageControl1);
  CancelButton->setObjectName("CancelButton");
  CancelButton->setFocusPolicy(Qt::NoFocus);
  CancelButton->hide();
  connect(CancelButton, &QPushButton::clicked, this, [this] { CancelOperation(); });
}

void Tmainform::CancelOperation() {
  QUILLON_MAIN_THREAD_ONLY();
  document_->Cancel();
}

void Tmainform::ShowCancelControls(bool running) {
  CancelButton->setVisible(running);
  PlaceProgressRow(*PageControl1, *ProgressBar, *waitingLabel_, *CancelButton);
}

// The close comes back posted: the document is still raising the end of its operation.
bool Tmainform::CloseAfterWork() {
  if (!closeAfterWork_)
    closeAfterWork_ = std::make_shared<TCloseAfterWork>(
        *document_, [this](const std::string& text) { ShowStatusLine(text); },
        [this] { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); });
  return closeAfterWork_->Defer();
}

void Tmainform::StopOperationForClose() {
  if (!document_->Busy()) return;
  document_->Cancel();
  // Bounded: a stopped operation ends between two chunks. The hand-overs are served meanwhile,
  // so that a worker waiting on the main thread cannot hold the wait.
  MainThread().WaitServing([this] { return !document_->Busy(); });
}

}  // namespace quillon
