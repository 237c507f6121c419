#include "platform/qt/qturlopener.h"

#include <QDesktopServices>

namespace quillon {

void TQtUrlOpener::Open(const std::string& url) {
  const QUrl address(QString::fromStdString(url), QUrl::StrictMode);
  const bool opened =
      address.isValid() && (Launch ? Launch(address) : QDesktopServices::openUrl(address));
  if (!opened && OnFailed) OnFailed(url);
}

}  // namespace quillon
