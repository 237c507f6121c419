#pragma once

#include <QUrl>
#include <functional>
#include <string>

#include "platform/urlopener.h"

namespace quillon {

// Opens addresses through QDesktopServices (the desktop's default browser).
class TQtUrlOpener : public TUrlOpener {
 public:
  void Open(const std::string& url) override;

  // Hands the address to the desktop; whether it took it. Tests replace it.
  std::function<bool(const QUrl&)> Launch;
  // Runs on the main thread when the desktop could not open an address.
  std::function<void(const std::string& url)> OnFailed;
};

}  // namespace quillon
