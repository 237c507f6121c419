#include "document/operationthread.h"

#include <chrono>
#include <memory>

#include "localization/constants.h"
#include "platform/cancel.h"
#include "platform/error.h"
#include "platform/event.h"
#include "platform/mainthread.h"

namespace quillon {

namespace {

TOperationResult Raised(std::string text) {
  TOperationResult result;
  result.outcome = TOperationResult::kRaised;
  result.message = TOperationMessage{{}, std::move(text), TMessageIcon::Error, true};
  return result;
}

}  // namespace

CThread::CThread(TRoutine routine, TOperationRequest request, std::atomic<int32_t>& progress,
                 TDone done)
    : routine_(std::move(routine)),
      request_(std::move(request)),
      progress_(progress),
      done_(std::move(done)) {}

CThread::~CThread() {
  Join();
}

void CThread::Start() {
  thread_ = std::thread([this] {
    auto result = std::make_shared<TOperationResult>(Execute());
    // The posted task owns copies of what it needs: the main thread frees this object in it.
    MainThread().Post([done = done_, result] { done(std::move(*result)); });
  });
}

void CThread::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

TOperationResult CThread::Execute() {
  try {
    // A stop asked for while the player still holds the stores ends the wait as well.
    while (!PlaybackIdleEvent().WaitFor(std::chrono::milliseconds(20)))
      if (request_.cancel.Cancelled()) throw ECancelled();
    return routine_(request_, progress_);
  } catch (const ECancelled&) {
    TOperationResult result;
    result.outcome = TOperationResult::kCancelled;
    result.notices.push_back(ConstantText("operationcancelled"));
    progress_ = 0;
    return result;
  } catch (const std::exception& error) {
    return Raised(error.what());
  } catch (...) {
    return Raised("Unknown error");
  }
}

}  // namespace quillon
