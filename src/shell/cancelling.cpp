// Stopping the running operation: the Cancel button beside the progress bar, Esc (with the
// waiting commands), and the close of the window, which stops an operation rather than waiting
// for it.
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>

#include "document/wavfile.h"
#include "platform/mainthread.h"
#include "shell/main.h"

namespace quillon {

namespace {
// The progress bar's place over the panel's top edge, and the gap before the button.
constexpr int kProgressLeft = 64;
constexpr int kProgressTop = 4;
constexpr int kProgressHeight = 12;
constexpr int kButtonGap = 6;
}  // namespace

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
  if (!running) {
    CancelButton->hide();
    return;
  }
  const int buttonWidth = CancelButton->sizeHint().width();
  const int right = PageControl1->width() - buttonWidth - kButtonGap;
  ProgressBar->setGeometry(kProgressLeft, kProgressTop, std::max(0, right - kProgressLeft),
                           kProgressHeight);
  // Centred on the bar, as tall as a button needs.
  const int buttonHeight = CancelButton->sizeHint().height();
  CancelButton->setGeometry(right + kButtonGap,
                            std::max(0, kProgressTop + (kProgressHeight - buttonHeight) / 2),
                            buttonWidth, buttonHeight);
  CancelButton->show();
  CancelButton->raise();
}

void Tmainform::StopOperationForClose() {
  if (!document_->Busy()) return;
  document_->Cancel();
  // Bounded: a stopped operation ends between two chunks. The hand-overs are served meanwhile,
  // so that a worker waiting on the main thread cannot hold the wait.
  MainThread().WaitServing([this] { return !document_->Busy(); });
}

}  // namespace quillon
