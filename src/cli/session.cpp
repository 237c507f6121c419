#include "cli/session.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>

#include "cli/progressbar.h"
#include "platform/runfiles.h"

namespace quillon {

namespace {

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

// Only the flag here: the loop sees it within one tick and cancels on the main thread.
void OnInterrupt(int) {
  interrupted.store(true);
}

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // A second signal finds the default action again and ends the process.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (int signal : {SIGINT, SIGTERM}) {
    struct sigaction previous {};
    sigaction(signal, nullptr, &previous);
    // A SIGINT that the caller chose to ignore (a background job, nohup) stays ignored.
    if (signal == SIGINT && previous.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}

}  // namespace

bool CliInterrupted() {
  return interrupted.load();
}

void TCliMessageBoxes::Show(const std::string&, const std::string& text, TMessageIcon) {
  shown_ = true;
  // A carriage return breaks lines in a message box; on a terminal it would overwrite the line.
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r')
      lines += text[i];
    else if (i + 1 == text.size() || text[i + 1] != '\n')
      lines += '\n';
  }
  std::fprintf(stderr, "quillon-cli: %s\n", lines.c_str());
}

void TCliMessageBoxes::ShowException(const std::string& text) {
  Show({}, text, {});
}

TCliSession::TCliSession() {
  SetMainThread(&loop_);
  SetMessageBoxes(&boxes_);
  SetClipboard(&clipboard_);
  CatchInterrupts();
  // What the window shows in its status bar goes where the messages go.
  subscriptions_ += document_.OnNotice.Subscribe([](Twavefile*, const std::string& text) {
    std::fprintf(stderr, "quillon-cli: %s\n", text.c_str());
  });
}

TCliSession::~TCliSession() {
  WaitForOperation();
  document_.Close();
  SetClipboard(nullptr);
  SetMessageBoxes(nullptr);
  SetMainThread(nullptr);
}

void TCliSession::WaitForOperation() {
  TProgressBar bar(stderr);
  // Short ticks: a stop must reach the worker well within the tenth of a second it may take.
  while (!loop_.RunUntil([this] { return !document_.Busy(); }, std::chrono::milliseconds(20))) {
    if (interrupted) document_.Cancel();
    bar.Update(document_.Progress());
  }
}

bool TCliSession::Run(const std::function<bool(Twavefile&)>& request) {
  boxes_.Reset();
  if (interrupted || !request(document_)) return false;
  WaitForOperation();
  return !interrupted && !boxes_.AnyShown() && document_.Loaded();
}

void TCliSession::EnableJournal() {
  journal_ = std::make_unique<TRecoveryJournal>(RecoveryFolder());
  subscriptions_ +=
      document_.OnStateChanged.Subscribe([this](Twavefile* d) { journal_->Record(*d); });
}

bool TCliSession::Recover(const TJournalState& state) {
  boxes_.Reset();
  if (interrupted || !document_.Recover(state)) return false;
  WaitForOperation();
  return !interrupted && !boxes_.AnyShown() && document_.Loaded();
}

bool TCliSession::Open(const std::string& path) {
  if (interrupted) return false;
  document_.Open(path);
  WaitForOperation();
  return !interrupted && document_.Loaded();
}

}  // namespace quillon
