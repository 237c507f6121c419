#include "platform/qt/qtmainthread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>

namespace quillon {

void TQtMainThread::Post(std::function<void()> task) {
  QMetaObject::invokeMethod(qApp, std::move(task), Qt::QueuedConnection);
}

void TQtMainThread::Invoke(std::function<void()> task) {
  if (IsMainThread()) {
    task();
    return;
  }
  QMetaObject::invokeMethod(qApp, std::move(task), Qt::BlockingQueuedConnection);
}

void TQtMainThread::WaitServing(const std::function<bool()>& done) {
  // Processing events runs the queued calls, so a worker blocked in Invoke gets its answer.
  while (!done()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool TQtMainThread::IsMainThread() const {
  return qApp && QThread::currentThread() == qApp->thread();
}

}  // namespace quillon
