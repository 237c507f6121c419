#pragma once

#include "platform/mainthread.h"

namespace quillon {

// The editor's hand-over: queued calls into the Qt GUI thread's event loop.
class TQtMainThread : public TMainThread {
 public:
  void Post(std::function<void()> task) override;
  void Invoke(std::function<void()> task) override;
  void WaitServing(const std::function<bool()>& done) override;
  bool IsMainThread() const override;
};

}  // namespace quillon
