// StackTrace: the call stack of every throw and fault, as module and offset (glibc backtrace).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon::TStackTraceHlp {

// The call stack of one moment: return addresses, innermost first. The first address is the
// raise or fault address itself.
struct TStackTrace {
  static constexpr int kMaxFrames = 64;
  std::array<std::uintptr_t, kMaxFrames> addresses{};
  int count = 0;
  // True when the first address is an exact instruction (a fault) rather than a return address.
  bool firstIsExact = false;
};

// One formatted address: module text is the module's file name and ": ", or empty for an address
// outside every module; address text is "$" and the offset into the module in upper-case hex.
struct TFrameInfo {
  std::string moduleText;
  std::string addressText;
};

// Walks the calling thread's stack and keeps the frames from the one at `innermost` outwards, so
// that the walker's own frames (and a signal handler's) stay out. When `innermost` is not on the
// walked stack, the trace holds that address alone.
TStackTrace CaptureStackTrace(std::uintptr_t innermost);

// The same for a signal handler: never waits long for the walk lock, which the interrupted code
// may hold.
TStackTrace CaptureStackTraceInSignal(std::uintptr_t innermost);

TFrameInfo FormatAddress(std::uintptr_t address);

// "  at " and each frame's text, frames joined by CR LF, nothing after the last.
std::string StackTraceText(const TStackTrace& trace);

// A fixed-capacity text that never allocates, for use inside a signal handler. Text that does not
// fit is cut off.
class TFixedText {
 public:
  TFixedText(char* buffer, std::size_t capacity);
  void Append(const char* text);
  void Append(const char* text, std::size_t length);
  void AppendHex(std::uint64_t value, int digits);
  const char* Data() const { return buffer_; }
  std::size_t Length() const { return length_; }

 private:
  char* buffer_;
  std::size_t capacity_;
  std::size_t length_ = 0;
};

// Appends one frame's text ("  at " excluded). With `withSymbol`, a tab and the name of the
// enclosing function from the dynamic symbol table follow when there is one: a developer's aid,
// kept out of every text that leaves the machine. Allocation-free; takes no lock.
void AppendFrameText(TFixedText& out, std::uintptr_t address, bool withSymbol, bool exact);

// Appends the whole trace text; allocation-free; takes no lock.
void AppendStackTraceText(TFixedText& out, const TStackTrace& trace, bool withSymbols);

}  // namespace quillon::TStackTraceHlp
