#pragma once

#include <atomic>
#include <memory>

#include "platform/error.h"

namespace quillon {

// Ends an operation that the user stopped: what it made is deleted on the way out, like after a
// failure, but nothing is shown but a line in the status bar.
class ECancelled : public EAbort {};

// A stop request shared by the thread that may ask for it and the worker that obeys it. The
// worker only reads it, between chunks of its work. A token made by default is never cancelled,
// so code that runs outside an operation passes one without asking.
class TCancelToken {
 public:
  TCancelToken() = default;
  // A token that Cancel can reach.
  static TCancelToken Make();

  // Asks the work that holds this token to stop; from any thread, at any time.
  void Cancel() const;
  bool Cancelled() const;
  // Throws ECancelled once the stop was asked for (or the test seam below says so).
  void ThrowIfCancelled() const;

 private:
  std::shared_ptr<std::atomic<bool>> flag_;
};

// A test seam: from now on the n-th check of any token (1 = the next) finds it cancelled; n <= 0
// disarms it. Checks are counted while armed, so that a first run can tell how many there are.
void CancelAtNthCheck(int n);
// Whether the armed cancel is still to come: false once it has happened.
bool CancelPending();
// Checks made since the seam was last armed.
int CancelChecksCounted();
// A test seam: the n-th check of any token from now on waits there until its token is cancelled
// (at most twenty seconds), so that a test can stop an operation in its middle without racing
// it; n <= 0 disarms it.
void HoldAtNthCheck(int n);

}  // namespace quillon
