#pragma once

#include <string>

#include "platform/error.h"

namespace quillon {

// The messages a failed save ends with, shared by every encoder's writer.

// A write that failed: the system's reason (a full disk, say) after the "writeerror" text.
Exception WriteError(const EOSError& error);
[[noreturn]] void ThrowWriteError(const EOSError& error);
// Any other failure of a save, as the constant's text followed by the detail.
[[noreturn]] void ThrowSaveError(const char* constant, const std::string& detail);

}  // namespace quillon
