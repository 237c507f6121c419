#include "diagnostics/faultstack.h"

#include <dlfcn.h>
#include <sys/uio.h>
#include <ucontext.h>
#include <unistd.h>

namespace quillon::TStackTraceHlp {

namespace {

bool IsInModule(std::uintptr_t address) {
  Dl_info info{};
  return dladdr(reinterpret_cast<void*>(address), &info) != 0;
}

// Reads a word without faulting: the kernel reports a bad address instead.
bool ReadWord(std::uintptr_t address, std::uintptr_t& word) {
  iovec local{&word, sizeof word};
  iovec remote{reinterpret_cast<void*>(address), sizeof word};
  return process_vm_readv(getpid(), &local, 1, &remote, 1, 0) == sizeof word;
}

std::uintptr_t FaultingInstruction(const void* context) {
  const auto& machine = static_cast<const ucontext_t*>(context)->uc_mcontext;
#if defined(__x86_64__)
  return static_cast<std::uintptr_t>(machine.gregs[REG_RIP]);
#elif defined(__aarch64__)
  return static_cast<std::uintptr_t>(machine.pc);
#else
#error "the faulting instruction's register is not known for this processor"
#endif
}

// Where a call through a bad pointer came from: the return address the call left behind.
bool CallersReturnAddress(const void* context, std::uintptr_t& caller) {
  const auto& machine = static_cast<const ucontext_t*>(context)->uc_mcontext;
#if defined(__x86_64__)
  return ReadWord(static_cast<std::uintptr_t>(machine.gregs[REG_RSP]), caller);
#else
  caller = static_cast<std::uintptr_t>(machine.regs[30]);
  return true;
#endif
}

}  // namespace

TStackTrace FaultFrames(const void* context) {
  TStackTrace trace;
  trace.firstIsExact = true;
  trace.addresses[trace.count++] = FaultingInstruction(context);
  std::uintptr_t caller = 0;
  if (!IsInModule(trace.addresses[0]) && CallersReturnAddress(context, caller) &&
      IsInModule(caller))
    trace.addresses[trace.count++] = caller;
  return trace;
}

TStackTrace FaultTrace(const void* context) {
  const std::uintptr_t instruction = FaultingInstruction(context);
  if (!IsInModule(instruction)) return FaultFrames(context);
  TStackTrace trace = CaptureStackTraceInSignal(instruction);
  trace.firstIsExact = true;
  return trace;
}

}  // namespace quillon::TStackTraceHlp
