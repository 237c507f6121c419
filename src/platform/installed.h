#pragma once

#include <atomic>

namespace quillon {

// A process-wide service that the program installs at start-up: until it does, and after it
// takes its own away again, a TFallback made on first use serves.
template <typename TService, typename TFallback>
class TInstalled {
 public:
  TService& Get() {
    if (TService* current = installed_.load()) return *current;
    static TFallback fallback;
    return fallback;
  }
  void Set(TService* service) { installed_.store(service); }

 private:
  std::atomic<TService*> installed_{nullptr};
};

}  // namespace quillon
