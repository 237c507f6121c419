#include "document/operationthread.h"

#include "platform/error.h"
#include "platform/event.h"
#include "platform/mainthread.h"
#include "platform/messagebox.h"

namespace quillon {

CThread::CThread(TRoutine routine, Twavefile& document, std::function<void()> done)
    : routine_(std::move(routine)), document_(document), done_(std::move(done)) {}

CThread::~CThread() {
  Join();
}

void CThread::Start() {
  thread_ = std::thread([this] {
    Execute();
    MainThread().Post(done_);
  });
}

void CThread::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void CThread::Execute() {
  captured_ = nullptr;
  PlaybackIdleEvent().Wait();
  try {
    routine_(document_);
  } catch (...) {
    HandleException();
  }
}

void CThread::HandleException() {
  captured_ = std::current_exception();
  try {
    std::rethrow_exception(captured_);
  } catch (const EAbort&) {
    result_.store(kRaised);
  } catch (...) {
    MainThread().Invoke([this] { DoHandleException(); });
  }
  captured_ = nullptr;
}

void CThread::DoHandleException() {
  result_.store(kRaised);
  std::string text;
  try {
    std::rethrow_exception(captured_);
  } catch (const std::exception& error) {
    text = error.what();
  } catch (...) {
    text = "Unknown error";
  }
  MessageBoxes().ShowException(text);
}

}  // namespace quillon
