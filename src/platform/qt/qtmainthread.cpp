#include "platform/qt/qtmainthread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include "platform/taskloop.h"

namespace quillon {

namespace {

// Runs the queue whenever an event reaches it. It reads nothing of the event, which the posting
// thread made: the tasks themselves pass through the queue's own lock.
class TQueueWaker : public QObject {
 public:
  explicit TQueueWaker(std::shared_ptr<TTaskLoop> queue) : queue_(std::move(queue)) {}
  bool event(QEvent*) override {
    queue_->RunPending();
    return true;
  }

 private:
  std::shared_ptr<TTaskLoop> queue_;
};

}  // namespace

TQtMainThread::TQtMainThread()
    : queue_(std::make_shared<TTaskLoop>()), waker_(std::make_unique<TQueueWaker>(queue_)) {
  if (qApp) waker_->moveToThread(qApp->thread());
}

TQtMainThread::~TQtMainThread() = default;

void TQtMainThread::Post(std::function<void()> task) {
  queue_->Post(std::move(task));
  QCoreApplication::postEvent(waker_.get(), new QEvent(QEvent::User));
}

void TQtMainThread::WaitServing(const std::function<bool()>& done) {
  queue_->WaitServing(done);
}

bool TQtMainThread::IsMainThread() const {
  return qApp && QThread::currentThread() == qApp->thread();
}

}  // namespace quillon
