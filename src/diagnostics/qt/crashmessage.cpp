#include "diagnostics/qt/crashmessage.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

#include "platform/messagebox.h"

namespace quillon {

namespace {

void ShowBox(const QString& text) {
  QMessageBox::critical(nullptr, QString::fromUtf8(kApplicationTitle), text);
}

}  // namespace

void ShowCrashMessage(const std::string& message) {
  if (!qApp) return;
  const QString text = QString::fromUtf8(kApplicationTitle) +
                       " met a fatal error and has to close.\n\n" + QString::fromStdString(message);
  if (QThread::currentThread() == qApp->thread()) {
    ShowBox(text);
    return;
  }
  QMetaObject::invokeMethod(
      qApp, [text] { ShowBox(text); }, Qt::BlockingQueuedConnection);
}

}  // namespace quillon
