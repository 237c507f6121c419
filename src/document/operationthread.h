#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

namespace quillon {

class Twavefile;

// The worker of one document operation. It waits until nothing plays, runs the routine, shows
// an exception's message on the main thread while it waits, and then hands `done` to the main
// thread. The result slot tells how the routine ended.
class CThread {
 public:
  using TRoutine = std::function<void(Twavefile&)>;

  static constexpr int kSucceeded = 1;
  static constexpr int kReportedFailure = 0;  // the routine told the user itself
  static constexpr int kRaised = -1;

  CThread(TRoutine routine, Twavefile& document, std::function<void()> done);
  ~CThread();
  CThread(const CThread&) = delete;
  CThread& operator=(const CThread&) = delete;

  void Start();
  // Waits for the thread's end; call on the main thread from `done`.
  void Join();

  int Result() const { return result_.load(); }
  void SetResult(int result) { result_.store(result); }

 private:
  void Execute();
  void HandleException();
  void DoHandleException();

  TRoutine routine_;
  Twavefile& document_;
  std::exception_ptr captured_;
  std::function<void()> done_;
  std::atomic<int> result_{kSucceeded};
  std::thread thread_;
};

}  // namespace quillon
