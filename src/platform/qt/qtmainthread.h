#pragma once

#include <memory>

#include "platform/mainthread.h"

namespace quillon {

class TTaskLoop;

// The editor's hand-over: tasks wait in a queue of their own, and a queued call wakes the Qt GUI
// thread's event loop to run them. A main-thread wait (WaitServing) runs only these tasks,
// never the user's input, and sleeps between them.
class TQtMainThread : public TMainThread {
 public:
  TQtMainThread();
  ~TQtMainThread() override;
  void Post(std::function<void()> task) override;
  void Invoke(std::function<void()> task) override;
  void WaitServing(const std::function<bool()>& done) override;
  bool IsMainThread() const override;

 private:
  // Shared with the queued wake-ups, which may run after this is gone.
  std::shared_ptr<TTaskLoop> queue_;
};

}  // namespace quillon
