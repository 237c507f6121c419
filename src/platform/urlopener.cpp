#include "platform/urlopener.h"

#include "platform/installed.h"

namespace quillon {

namespace {
class TNoUrlOpener : public TUrlOpener {
 public:
  void Open(const std::string& /*url*/) override {}
};

constinit TInstalled<TUrlOpener, TNoUrlOpener> installed;
}  // namespace

TUrlOpener& UrlOpener() {
  return installed.Get();
}

void SetUrlOpener(TUrlOpener* opener) {
  installed.Set(opener);
}

}  // namespace quillon
