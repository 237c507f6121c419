#include "diagnostics/qt/crashmessage.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <atomic>
#include <string>

#include "platform/messagebox.h"

namespace quillon {

namespace {

// Set on the main thread when the language changes, read by a crashing thread: an old text is
// never freed, so a reader never sees it go.
std::atomic<const std::string*> lead{nullptr};

void ShowBox(const QString& text) {
  QMessageBox::critical(nullptr, QString::fromUtf8(kApplicationTitle), text);
}

}  // namespace

void SetCrashMessageLead(const std::string& text) {
  lead.store(new std::string(text));
}

void ShowCrashMessage(const std::string& message) {
  if (!qApp) return;
  const std::string* translated = lead.load();
  const QString text = QString::fromUtf8(kApplicationTitle) + " " +
                       (translated ? QString::fromStdString(*translated)
                                   : QString("met a fatal error and has to close.")) +
                       "\n\n" + QString::fromStdString(message);
  if (QThread::currentThread() == qApp->thread()) {
    ShowBox(text);
    return;
  }
  QMetaObject::invokeMethod(
      qApp, [text] { ShowBox(text); }, Qt::BlockingQueuedConnection);
}

}  // namespace quillon
