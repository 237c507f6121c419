#pragma once

#include <exception>
#include <typeinfo>

#include "diagnostics/StackTrace.h"

namespace quillon::TStackTraceHlp {

using TExceptionDestructor = void (*)(void*);

// Called by the runtime's throw for every C++ exception thrown: captures the stack at
// `raiseAddress` and keeps it with the exception object until the object is destroyed. Returns
// the destructor to hand to the runtime in place of `destructor`.
TExceptionDestructor OnThrow(void* object, const std::type_info& type,
                             TExceptionDestructor destructor, std::uintptr_t raiseAddress);

// The trace kept with a live exception, or null (a silent abort, an exception made without a
// throw). Valid as long as the exception object lives, i.e. while `exception` holds it.
const TStackTrace* TraceOfException(const std::exception_ptr& exception);

}  // namespace quillon::TStackTraceHlp
