#pragma once

#include "platform/clipboard.h"
#include "platform/mainthread.h"
#include "platform/messagebox.h"

namespace quillon::test {

// Installs a process-wide port for a scope and puts back the one it replaced, so that a test
// that ends early (a failed ASSERT) never leaves the next test a pointer to a dead object.
template <class T, T& (*Get)(), void (*Set)(T*)>
class TScopedPort {
 public:
  explicit TScopedPort(T* port) : previous_(&Get()) { Set(port); }
  ~TScopedPort() { Set(previous_); }
  TScopedPort(const TScopedPort&) = delete;
  TScopedPort& operator=(const TScopedPort&) = delete;

 private:
  T* previous_;
};

using TScopedMessageBoxes = TScopedPort<TMessageBoxes, MessageBoxes, SetMessageBoxes>;
using TScopedMainThread = TScopedPort<TMainThread, MainThread, SetMainThread>;
using TScopedClipboard = TScopedPort<TClipboardPort, Clipboard, SetClipboard>;

}  // namespace quillon::test
