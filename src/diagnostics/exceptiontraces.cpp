#include "diagnostics/exceptiontraces.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

#include "platform/error.h"

namespace quillon::TStackTraceHlp {

namespace {

struct TTracedObject {
  std::unique_ptr<TStackTrace> trace;
  TExceptionDestructor destructor;
};

// The traces of the live exception objects, by object address.
class TTraceRegistry {
 public:
  // An entry left at the same address can only belong to an object already gone.
  void Add(void* object, std::unique_ptr<TStackTrace> trace, TExceptionDestructor destructor) {
    std::lock_guard lock(mutex_);
    objects_.insert_or_assign(object, TTracedObject{std::move(trace), destructor});
  }

  TTracedObject Take(void* object) {
    std::lock_guard lock(mutex_);
    const auto found = objects_.find(object);
    if (found == objects_.end()) return {};
    TTracedObject taken = std::move(found->second);
    objects_.erase(found);
    return taken;
  }

  const TStackTrace* Find(void* object) {
    std::lock_guard lock(mutex_);
    const auto found = objects_.find(object);
    return found == objects_.end() ? nullptr : found->second.trace.get();
  }

 private:
  std::mutex mutex_;
  std::unordered_map<void*, TTracedObject> objects_;
};

// Never destroyed: exception objects may still die after static destruction has begun.
TTraceRegistry& Registry() {
  static TTraceRegistry* registry = new TTraceRegistry;
  return *registry;
}

// Set while this thread records a trace, so that an exception thrown on the way (bad_alloc) is
// passed on untouched instead of re-entering the registry.
thread_local bool recording = false;

void ReleaseTracedObject(void* object) {
  const TTracedObject traced = Registry().Take(object);
  if (traced.destructor) traced.destructor(object);
}

}  // namespace

TExceptionDestructor OnThrow(void* object, const std::type_info& type,
                             TExceptionDestructor destructor, std::uintptr_t raiseAddress) {
  // A silent abort is never reported, so its trace would be wasted work.
  if (recording || type == typeid(EAbort)) return destructor;
  recording = true;
  TExceptionDestructor result = destructor;
  try {
    auto trace = std::make_unique<TStackTrace>(CaptureStackTrace(raiseAddress));
    Registry().Add(object, std::move(trace), destructor);
    result = &ReleaseTracedObject;
  } catch (...) {
    // Without memory the exception goes on without a trace.
  }
  recording = false;
  return result;
}

const TStackTrace* TraceOfException(const std::exception_ptr& exception) {
  // This runtime's exception_ptr is exactly the address of the thrown object.
  static_assert(sizeof(std::exception_ptr) == sizeof(void*));
  void* object = nullptr;
  std::memcpy(&object, &exception, sizeof object);
  return object ? Registry().Find(object) : nullptr;
}

}  // namespace quillon::TStackTraceHlp
