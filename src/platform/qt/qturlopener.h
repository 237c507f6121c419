#pragma once

#include <QUrl>
#include <functional>
#include <string>

#include "platform/subscription.h"
#include "platform/urlopener.h"

namespace quillon {

// Opens addresses through QDesktopServices (the desktop's default browser).
class TQtUrlOpener : public TUrlOpener {
 public:
  void Open(const std::string& url) override;

  // Hands the address to the desktop; whether it took it. A seam for tests, which outlive the
  // opener they set it on.
  std::function<bool(const QUrl&)> Launch;
  // Runs on the main thread when the desktop could not open an address.
  TSignal<const std::string& /*url*/> OnFailed;
};

}  // namespace quillon
