#include "diagnostics/StackTrace.h"

#include <dlfcn.h>
#include <execinfo.h>
#include <link.h>
#include <time.h>

#include <cstring>
#include <mutex>

namespace quillon::TStackTraceHlp {

namespace {

// Room for the frames of the walker itself and of a signal handler above the innermost frame.
constexpr int kOwnFrames = 16;

// Serialises every stack walk and every address lookup. Never destroyed: exceptions may still be
// thrown while static objects are being destroyed.
std::mutex& WalkLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

TStackTrace TraceFrom(void* const* frames, int walked, std::uintptr_t innermost) {
  TStackTrace trace;
  int first = 0;
  while (first < walked && reinterpret_cast<std::uintptr_t>(frames[first]) != innermost) ++first;
  if (first == walked) {
    trace.addresses[0] = innermost;
    trace.count = 1;
    return trace;
  }
  for (int i = first; i < walked && trace.count < TStackTrace::kMaxFrames; ++i)
    trace.addresses[trace.count++] = reinterpret_cast<std::uintptr_t>(frames[i]);
  return trace;
}

TStackTrace Walk(std::uintptr_t innermost) {
  void* frames[TStackTrace::kMaxFrames + kOwnFrames];
  const int walked = backtrace(frames, TStackTrace::kMaxFrames + kOwnFrames);
  return TraceFrom(frames, walked, innermost);
}

const char* FileNamePart(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

// A module name is one token of the frame's line: control characters would break the line up.
void AppendSanitised(TFixedText& out, const char* text) {
  for (const char* c = text; *c; ++c) {
    const char ch = static_cast<unsigned char>(*c) < 0x20 ? '?' : *c;
    out.Append(&ch, 1);
  }
}

void AppendAddressText(TFixedText& out, std::uint64_t value) {
  out.Append("$");
  out.AppendHex(value, value > 0xFFFFFFFFu ? 16 : 8);
}

}  // namespace

TFixedText::TFixedText(char* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {
  if (capacity_ > 0) buffer_[0] = '\0';
}

void TFixedText::Append(const char* text) {
  Append(text, std::strlen(text));
}

void TFixedText::Append(const char* text, std::size_t length) {
  if (capacity_ == 0) return;
  const std::size_t room = capacity_ - 1 - length_;
  const std::size_t taken = length < room ? length : room;
  std::memcpy(buffer_ + length_, text, taken);
  length_ += taken;
  buffer_[length_] = '\0';
}

void TFixedText::AppendHex(std::uint64_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char text[16];
  for (int i = digits - 1; i >= 0; --i, value >>= 4) text[i] = kDigits[value & 0xF];
  Append(text, static_cast<std::size_t>(digits));
}

TStackTrace CaptureStackTrace(std::uintptr_t innermost) {
  std::lock_guard lock(WalkLock());
  return Walk(innermost);
}

TStackTrace CaptureStackTraceInSignal(std::uintptr_t innermost) {
  // The interrupted code may hold the lock, even on this very thread; the walk itself is safe
  // without it, so wait only briefly.
  const timespec pause{0, 1'000'000};
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (WalkLock().try_lock()) {
      const TStackTrace trace = Walk(innermost);
      WalkLock().unlock();
      return trace;
    }
    nanosleep(&pause, nullptr);
  }
  return Walk(innermost);
}

void AppendFrameText(TFixedText& out, std::uintptr_t address, bool withSymbol, bool exact) {
  Dl_info info{};
  link_map* module = nullptr;
  const bool inModule = dladdr1(reinterpret_cast<void*>(address), &info,
                                reinterpret_cast<void**>(&module), RTLD_DL_LINKMAP) != 0 &&
                        module != nullptr;
  if (!inModule) {
    AppendAddressText(out, address);
    return;
  }
  AppendSanitised(out, FileNamePart(info.dli_fname ? info.dli_fname : "???"));
  out.Append(": ");
  // The offset from the module's load bias is the address its symbol files use.
  AppendAddressText(out, address - module->l_addr);
  if (!withSymbol) return;
  // A return address may lie just past a call that never returns, so name the call instead.
  Dl_info symbol{};
  const std::uintptr_t named = exact ? address : address - 1;
  if (dladdr(reinterpret_cast<void*>(named), &symbol) == 0 || !symbol.dli_sname) return;
  out.Append("\t");
  AppendSanitised(out, symbol.dli_sname);
  out.Append("+0x");
  const std::uint64_t offset = address - reinterpret_cast<std::uintptr_t>(symbol.dli_saddr);
  int digits = 1;
  while (digits < 16 && (offset >> (4 * digits)) != 0) ++digits;
  out.AppendHex(offset, digits);
}

void AppendStackTraceText(TFixedText& out, const TStackTrace& trace, bool withSymbols) {
  for (int i = 0; i < trace.count; ++i) {
    if (i > 0) out.Append("\r\n");
    out.Append("  at ");
    AppendFrameText(out, trace.addresses[i], withSymbols, i == 0 && trace.firstIsExact);
  }
}

TFrameInfo FormatAddress(std::uintptr_t address) {
  char buffer[1024];
  TFixedText text(buffer, sizeof buffer);
  {
    std::lock_guard lock(WalkLock());
    AppendFrameText(text, address, false, false);
  }
  const std::string frame(text.Data(), text.Length());
  const std::size_t dollar = frame.rfind('$');
  return {frame.substr(0, dollar), frame.substr(dollar)};
}

std::string StackTraceText(const TStackTrace& trace) {
  std::string result;
  for (int i = 0; i < trace.count; ++i) {
    const TFrameInfo frame = FormatAddress(trace.addresses[i]);
    if (i > 0) result += "\r\n";
    result += "  at " + frame.moduleText + frame.addressText;
  }
  return result;
}

}  // namespace quillon::TStackTraceHlp
