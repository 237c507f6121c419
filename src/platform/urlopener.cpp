#include "platform/urlopener.h"

#include <atomic>

namespace quillon {

namespace {
class TNoUrlOpener : public TUrlOpener {
 public:
  void Open(const std::string& /*url*/) override {}
};

std::atomic<TUrlOpener*> installed{nullptr};
}  // namespace

TUrlOpener& UrlOpener() {
  if (TUrlOpener* current = installed.load()) return *current;
  static TNoUrlOpener fallback;
  return fallback;
}

void SetUrlOpener(TUrlOpener* opener) {
  installed.store(opener);
}

}  // namespace quillon
