// Stopping the running operation: the Cancel button beside the progress bar, Esc (with the
// waiting commands), and the close of the window, which stops an operation rather than waiting
// for it.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include "document/wavfile.h"
#include "platform/mainthread.h"
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

void Tmainform::StopOperationForClose() {
  if (!document_->Busy()) return;
  document_->Cancel();
  // Bounded: a stopped operation ends between two chunks. The hand-overs are served meanwhile,
  // so that a worker waiting on the main thread cannot hold the wait.
  MainThread().WaitServing([this] { return !document_->Busy(); });
}

}  // namespace quillon
