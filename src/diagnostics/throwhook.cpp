// Every C++ throw in the process, the libraries' included, passes through the runtime's
// __cxa_throw. Defining it in the executable puts this definition first in the dynamic lookup
// order; it records the stack and forwards to the runtime's own.
#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <typeinfo>

#include "diagnostics/exceptiontraces.h"

namespace {

using TThrow = void (*)(void*, std::type_info*, void (*)(void*));

TThrow RuntimeThrow() {
  static const TThrow runtime = reinterpret_cast<TThrow>(dlsym(RTLD_NEXT, "__cxa_throw"));
  return runtime;
}

}  // namespace

extern "C" [[noreturn]] void __cxa_throw(void* object, std::type_info* type,
                                         void (*destructor)(void*)) {
  const auto raiseAddress = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
  const TThrow runtime = RuntimeThrow();
  if (!runtime) std::abort();
  destructor = quillon::TStackTraceHlp::OnThrow(object, *type, destructor, raiseAddress);
  runtime(object, type, destructor);
  std::abort();  // the runtime's throw never returns
}
