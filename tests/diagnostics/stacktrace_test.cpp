#include "diagnostics/StackTrace.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "diagnostics/exceptionreport.h"
#include "diagnostics/exceptiontraces.h"
#include "platform/error.h"

namespace quillon {
namespace {

using TStackTraceHlp::StackTraceText;
using TStackTraceHlp::TraceOfException;
using TStackTraceHlp::TStackTrace;

volatile int sink = 0;

[[gnu::noinline]] void ThrowFirst() {
  throw Exception("first");
}

[[gnu::noinline]] void Recurse(int depth) {
  if (depth == 0) throw Exception("deep");
  Recurse(depth - 1);
  sink = depth;
}

// Runs `body`, which must throw, and returns a copy of the trace its exception carries.
template <typename Body>
TStackTrace TraceOfThrow(Body body) {
  try {
    body();
  } catch (...) {
    const TStackTrace* trace = TraceOfException(std::current_exception());
    return trace ? *trace : TStackTrace{};
  }
  ADD_FAILURE() << "nothing was thrown";
  return {};
}

std::string ModuleOf(std::uintptr_t address) {
  return TStackTraceHlp::FormatAddress(address).moduleText;
}

TEST(StackTraceTest, ARethrownExceptionKeepsTheStackOfItsFirstThrow) {
  std::string first;
  std::string reported;
  try {
    try {
      ThrowFirst();
    } catch (...) {
      first = StackTraceText(*TraceOfException(std::current_exception()));
      throw;
    }
  } catch (...) {
    reported = CurrentExceptionReport();
  }
  EXPECT_FALSE(first.empty());
  EXPECT_EQ(reported, "first Call Stack: " + first);

  // Handed to another thread and raised again there, it still names the first throw.
  std::exception_ptr carried;
  try {
    ThrowFirst();
  } catch (...) {
    carried = std::current_exception();
  }
  const std::string atFirstThrow = StackTraceText(*TraceOfException(carried));
  std::string onOtherThread;
  std::thread([&] {
    try {
      std::rethrow_exception(carried);
    } catch (...) {
      onOtherThread = StackTraceText(*TraceOfException(std::current_exception()));
    }
  }).join();
  EXPECT_EQ(onOtherThread, atFirstThrow);
}

TEST(StackTraceTest, ADeepStackKeepsTheInnermostFrames) {
  const TStackTrace trace = TraceOfThrow([] { Recurse(200); });
  ASSERT_EQ(trace.count, TStackTrace::kMaxFrames);
  // Every frame past the throw is the same return address inside the recursion.
  for (int i = 2; i < trace.count; ++i) EXPECT_EQ(trace.addresses[i], trace.addresses[1]) << i;
  EXPECT_NE(trace.addresses[0], trace.addresses[1]);

  const TStackTrace shallow = TraceOfThrow([] { Recurse(3); });
  EXPECT_GT(shallow.count, 4);
  EXPECT_LT(shallow.count, TStackTrace::kMaxFrames);
}

TEST(StackTraceTest, ALibraryThrowCarriesATraceFromInsideTheLibrary) {
  const TStackTrace trace = TraceOfThrow([] {
    std::vector<int> empty;
    sink = empty.at(5);
  });
  ASSERT_GE(trace.count, 2);
  EXPECT_EQ(ModuleOf(trace.addresses[0]), "libstdc++.so.6: ");
  bool reachesThisProgram = false;
  for (int i = 1; i < trace.count; ++i)
    reachesThisProgram |= ModuleOf(trace.addresses[i]) == "diagnostics_tests: ";
  EXPECT_TRUE(reachesThisProgram);
}

TEST(StackTraceTest, ASilentAbortCarriesNoTrace) {
  try {
    throw EAbort();
  } catch (...) {
    EXPECT_EQ(TraceOfException(std::current_exception()), nullptr);
    EXPECT_EQ(CurrentExceptionReport(), "Operation aborted Call Stack: ");
  }
}

TEST(StackTraceTest, ReportTextHasTheFixedForm) {
  TStackTrace one;
  one.addresses[0] = 0x10;  // outside every module
  one.count = 1;
  EXPECT_EQ(ExceptionReportText("boom", &one), "boom Call Stack:   at $00000010");

  TStackTrace two;
  two.addresses = {0x123456789AB, reinterpret_cast<std::uintptr_t>(&ThrowFirst)};
  two.count = 2;
  const std::string text = StackTraceText(two);
  EXPECT_TRUE(std::regex_match(
      text, std::regex(R"(  at \$00000123456789AB\r\n  at diagnostics_tests: \$[0-9A-F]{8})")))
      << text;
  EXPECT_EQ(ExceptionReportText("no trace", nullptr), "no trace Call Stack: ");
}

// Each thread throws from its own function; the traces must never mix.
[[gnu::noinline]] void ThrowOnThreadA() {
  throw Exception("a");
}
[[gnu::noinline]] void ThrowOnThreadB() {
  throw std::runtime_error("b");
}

TEST(StackTraceTest, TwoThreadsThrowingAtOnceEachGetTheirOwnTrace) {
  constexpr int kThrows = 2000;
  std::atomic<int> mismatches{0};
  const auto thrower = [&](void (*body)()) {
    const std::uintptr_t expected = TraceOfThrow(body).addresses[0];
    for (int i = 0; i < kThrows; ++i) {
      const TStackTrace trace = TraceOfThrow(body);
      if (trace.count < 2 || trace.addresses[0] != expected) ++mismatches;
    }
    return expected;
  };
  std::uintptr_t a = 0;
  std::uintptr_t b = 0;
  std::thread first([&] { a = thrower(&ThrowOnThreadA); });
  std::thread second([&] { b = thrower(&ThrowOnThreadB); });
  first.join();
  second.join();
  EXPECT_EQ(mismatches, 0);
  EXPECT_NE(a, b);
}

}  // namespace
}  // namespace quillon
