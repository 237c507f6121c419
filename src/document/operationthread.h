#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "document/operation.h"

namespace quillon {

// The worker of one document operation. It waits until nothing plays, runs the routine on the
// captured request and hands the result, or the message of the exception that ended it, to the
// main thread through `done`. It never touches the document.
class CThread {
 public:
  using TRoutine =
      std::function<TOperationResult(const TOperationRequest&, std::atomic<int32_t>& progress)>;
  using TDone = std::function<void(TOperationResult)>;

  CThread(TRoutine routine, TOperationRequest request, std::atomic<int32_t>& progress, TDone done);
  ~CThread();
  CThread(const CThread&) = delete;
  CThread& operator=(const CThread&) = delete;

  void Start();
  // Waits for the thread's end; call on the main thread from `done`.
  void Join();

 private:
  TOperationResult Execute();

  TRoutine routine_;
  TOperationRequest request_;
  std::atomic<int32_t>& progress_;
  TDone done_;
  std::thread thread_;
};

}  // namespace quillon
