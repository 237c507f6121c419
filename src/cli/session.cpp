#include "cli/session.h"

#include <chrono>
#include <cstdio>

#include "cli/progressbar.h"
#include "platform/runfiles.h"

namespace quillon {

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
  // What the window shows in its status bar goes where the messages go.
  document_.OnNotice = [](Twavefile*, const std::string& text) {
    std::fprintf(stderr, "quillon-cli: %s\n", text.c_str());
  };
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
  while (!loop_.RunUntil([this] { return !document_.Busy(); }, std::chrono::milliseconds(50)))
    bar.Update(document_.Progress());
}

bool TCliSession::Run(const std::function<bool(Twavefile&)>& request) {
  boxes_.Reset();
  if (!request(document_)) return false;
  WaitForOperation();
  return !boxes_.AnyShown() && document_.Loaded();
}

void TCliSession::EnableJournal() {
  journal_ = std::make_unique<TRecoveryJournal>(RecoveryFolder());
  document_.OnStateChanged = [this](Twavefile* d) { journal_->Record(*d); };
}

bool TCliSession::Recover(const TJournalState& state) {
  boxes_.Reset();
  if (!document_.Recover(state)) return false;
  WaitForOperation();
  return !boxes_.AnyShown() && document_.Loaded();
}

bool TCliSession::Open(const std::string& path) {
  document_.Open(path);
  WaitForOperation();
  return document_.Loaded();
}

}  // namespace quillon
