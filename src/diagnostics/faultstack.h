#pragma once

#include "diagnostics/StackTrace.h"

namespace quillon::TStackTraceHlp {

// From a signal handler's context (its third argument). Both are safe in a signal handler.

// The faulting instruction alone, and for a jump outside every module the caller too.
TStackTrace FaultFrames(const void* context);

// The whole stack from the faulting instruction. The walker reads the code at every address it
// meets, so an instruction outside every module stays unwalked (FaultFrames instead).
TStackTrace FaultTrace(const void* context);

}  // namespace quillon::TStackTraceHlp
