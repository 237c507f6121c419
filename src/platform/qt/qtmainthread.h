#pragma once

#include <memory>

#include "platform/mainthread.h"

class QObject;

namespace quillon {

class TTaskLoop;

// The editor's hand-over: tasks wait in a queue of their own, and a posted event wakes the Qt GUI
// thread's event loop to run them. A main-thread wait (WaitServing) runs only these tasks,
// never the user's input, and sleeps between them.
class TQtMainThread : public TMainThread {
 public:
  TQtMainThread();
  ~TQtMainThread() override;
  void Post(std::function<void()> task) override;
  void WaitServing(const std::function<bool()>& done) override;
  bool IsMainThread() const override;

 private:
  std::shared_ptr<TTaskLoop> queue_;
  // Lives on the GUI thread and runs the queue when woken; wake-ups still pending die with it.
  std::unique_ptr<QObject> waker_;
};

}  // namespace quillon
