#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/cancel.h"

namespace quillon {

// Runs the window's read-only work (a measurement, a silence search) on a thread of its own, one
// at a time, so that the main thread never reads the store. A new start cancels the run before
// it; only the newest run's answer reaches the main thread, and none after Cancel or the end of
// the worker. Main thread only.
class TToolWorker {
 public:
  // The work gets its cancel token and a 0..100 progress value; what it returns runs on the main
  // thread once it is done. ECancelled ends it without an answer; another failure is shown.
  using TWork = std::function<std::function<void()>(const TCancelToken& cancel,
                                                    std::atomic<int32_t>& progress)>;

  TToolWorker();
  ~TToolWorker();
  TToolWorker(const TToolWorker&) = delete;
  TToolWorker& operator=(const TToolWorker&) = delete;

  void Start(TWork work);
  void Cancel();
  bool Running() const;
  int32_t Progress() const;

 private:
  struct TRun {
    TCancelToken cancel = TCancelToken::Make();
    std::atomic<int32_t> progress{0};
    std::atomic<bool> finished{false};
  };
  // Joins the threads whose runs have ended; they no longer block.
  void JoinFinished();

  std::shared_ptr<TRun> current_;
  std::vector<std::pair<std::shared_ptr<TRun>, std::thread>> threads_;
  // Looked at by every answer on the main thread: the worker that asked is still there.
  std::shared_ptr<bool> alive_;
};

}  // namespace quillon
