// closeafterwork: a close asked for while an operation runs, which stops it and closes after.
#pragma once

#include <functional>
#include <string>

#include "platform/subscription.h"

namespace quillon {

class Twavefile;

// The window does not wait for a running operation to end before it closes: the close stops the
// operation, tells the user that the window closes once it has ended, and asks for the close again
// then, while the window goes on serving its events.
class TCloseAfterWork {
 public:
  using TShow = std::function<void(const std::string& text)>;
  using TClose = std::function<void()>;

  // close runs on the main thread after the operation's end; it must not destroy the window
  // at once (post it), as the document's end-of-operation event is still being raised.
  TCloseAfterWork(Twavefile& document, TShow show, TClose close);

  // Main thread. True when an operation runs: it has been told to stop, and close follows its
  // end. False when nothing runs and the close may go on now.
  bool Defer();
  // A close waits for an operation's end.
  bool Waiting() const { return waiting_; }

 private:
  void Ended();

  Twavefile& document_;
  TShow show_;
  TClose close_;
  TSubscription idle_;
  bool waiting_ = false;
};

}  // namespace quillon
