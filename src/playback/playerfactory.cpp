#include <atomic>

#include "platform/messagebox.h"
#include "playback/playunit.h"

namespace quillon {

std::unique_ptr<TPlayer> CreatePlayer() {
  static std::atomic<bool> told{false};
  try {
    return std::make_unique<TPlayer>(nullptr);
  } catch (const Exception& error) {
    if (!told.exchange(true)) MessageBoxes().ShowException(error.what());
    return nullptr;
  }
}

}  // namespace quillon
