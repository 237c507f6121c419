#pragma once

#include "platform/urlopener.h"

namespace quillon {

// Opens addresses through QDesktopServices (the desktop's default browser).
class TQtUrlOpener : public TUrlOpener {
 public:
  void Open(const std::string& url) override;
};

}  // namespace quillon
