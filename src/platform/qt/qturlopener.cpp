#include "platform/qt/qturlopener.h"

#include <QDesktopServices>
#include <QUrl>

namespace quillon {

void TQtUrlOpener::Open(const std::string& url) {
  QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::StrictMode));
}

}  // namespace quillon
