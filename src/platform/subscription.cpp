#include "platform/subscription.h"

namespace quillon {

TSubscription& TSubscription::operator=(TSubscription&& other) noexcept {
  if (this != &other) {
    Reset();
    slots_ = std::move(other.slots_);
    id_ = other.id_;
  }
  return *this;
}

void TSubscription::Reset() {
  if (const auto list = slots_.lock()) {
    CheckMainThread("TSubscription::Reset");
    list->Remove(id_);
  }
  slots_.reset();
}

}  // namespace quillon
