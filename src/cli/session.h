#pragma once

#include <functional>
#include <memory>
#include <string>

#include "document/journal.h"
#include "document/wavfile.h"
#include "platform/clipboard.h"
#include "platform/messagebox.h"
#include "platform/subscription.h"
#include "platform/taskloop.h"

namespace quillon {

// Prints every message to stderr as "quillon-cli: text" and remembers that one was shown.
class TCliMessageBoxes : public TMessageBoxes {
 public:
  void Show(const std::string& caption, const std::string& text, TMessageIcon icon) override;
  void ShowException(const std::string& text) override;
  bool AnyShown() const { return shown_; }
  void Reset() { shown_ = false; }

 private:
  bool shown_ = false;
};

// Whether SIGINT or SIGTERM arrived during a session: the running operation was cancelled and
// no further one started.
bool CliInterrupted();

// One document driven from the command line: its own main-thread loop, messages on stderr, a
// progress bar while an operation runs. SIGINT and SIGTERM cancel the running operation (a
// second one ends the process as usual).
class TCliSession {
 public:
  TCliSession();
  ~TCliSession();

  Twavefile& Document() { return document_; }
  // Keeps a recovery journal of the document from now on, in RecoveryFolder().
  void EnableJournal();
  // Opens path and waits for the end; false (the message already shown) when it failed.
  bool Open(const std::string& path);
  // Serves the loop until the running operation has ended; cancels it once interrupted.
  void WaitForOperation();
  // Makes a request and waits for its end; false (the message already shown) when it was
  // refused, ended with a message or was interrupted.
  bool Run(const std::function<bool(Twavefile&)>& request);
  // Takes up a recovered state and waits for the end; false (the message shown) when it failed.
  bool Recover(const TJournalState& state);
  TMemoryClipboard& Clipboard() { return clipboard_; }
  TTaskLoop& Loop() { return loop_; }
  // A message has been shown since the session began (or since the last ForgetMessages).
  bool MessageShown() const { return boxes_.AnyShown(); }
  void ForgetMessages() { boxes_.Reset(); }

 private:
  TTaskLoop loop_;
  TCliMessageBoxes boxes_;
  TMemoryClipboard clipboard_;
  std::unique_ptr<TRecoveryJournal> journal_;
  Twavefile document_;
  TSubscriptions subscriptions_;
};

}  // namespace quillon
