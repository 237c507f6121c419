#pragma once

#include <functional>

#include "platform/threadsafety.h"

namespace quillon {

// Hands work from other threads to the main thread. The editor implements it with Qt queued
// calls; quillon-cli and the tests with TTaskLoop.
class TMainThread {
 public:
  virtual ~TMainThread() = default;
  // Runs task later on the main thread; returns at once.
  virtual void Post(std::function<void()> task) = 0;
  // On the main thread: waits until done() holds while still running handed-over tasks, so
  // that a worker waiting for one of them cannot deadlock the wait.
  virtual void WaitServing(const std::function<bool()>& done) = 0;
  virtual bool IsMainThread() const = 0;
};

// Ends the process with a message naming where unless the caller runs on the main thread. State
// that belongs to the main thread is never touched elsewhere; a wrong thread must fail loudly
// rather than corrupt memory.
void CheckMainThread(const char* where) QUILLON_ASSERT_CAPABILITY(mainThreadRole);
#define QUILLON_MAIN_THREAD_ONLY() ::quillon::CheckMainThread(__func__)

// The process's hand-over. Until one is installed, a TTaskLoop bound to the first caller's
// thread serves.
TMainThread& MainThread();
void SetMainThread(TMainThread* mainThread);

}  // namespace quillon
