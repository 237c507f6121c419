#include "platform/qt/qtmainthread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include "platform/taskloop.h"

namespace quillon {

TQtMainThread::TQtMainThread() : queue_(std::make_shared<TTaskLoop>()) {}

TQtMainThread::~TQtMainThread() = default;

void TQtMainThread::Post(std::function<void()> task) {
  queue_->Post(std::move(task));
  QMetaObject::invokeMethod(
      qApp, [queue = queue_] { queue->RunPending(); }, Qt::QueuedConnection);
}

void TQtMainThread::Invoke(std::function<void()> task) {
  if (IsMainThread()) {
    task();
    return;
  }
  PostAndWait(*this, std::move(task));
}

void TQtMainThread::WaitServing(const std::function<bool()>& done) {
  queue_->WaitServing(done);
}

bool TQtMainThread::IsMainThread() const {
  return qApp && QThread::currentThread() == qApp->thread();
}

}  // namespace quillon
