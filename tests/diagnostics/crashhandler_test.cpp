#include "diagnostics/crashreport.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "diagnostics/StackTrace.h"
#include "platform/error.h"
#include "platform/eventreport.h"
#include "support/fixtures.h"

// In the dynamic symbol table (see the test's link options), so that the crash file can name it.
extern "C" [[gnu::noinline]] void QuillonTestFaultingFunction(volatile int* where) {
  *where = 1;
}

namespace quillon {
namespace {

volatile int* volatile nowhere = nullptr;

[[gnu::noinline]] void ThrowUnhandled() {
  throw Exception("unhandled");
}

// Runs `body` in a child process that is expected to end by `signal`; fails the test after a
// time-out instead of hanging.
template <typename Body>
void RunCrashingChild(int signal, Body body) {
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    try {
      body();
    } catch (...) {
    }
    _exit(0);
  }
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      FAIL() << "the crashing child did not end";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
  EXPECT_EQ(WTERMSIG(status), signal);
}

std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string FirstFrame(const std::string& report) {
  const std::size_t start = report.find(" Call Stack: ");
  if (start == std::string::npos) return "";
  const std::size_t from = start + 13;
  return report.substr(from, report.find("\r\n", from) - from);
}

std::uint64_t OffsetIn(const std::string& frame) {
  const std::size_t dollar = frame.find('$');
  return dollar == std::string::npos ? 0 : std::stoull(frame.substr(dollar + 1, 16), nullptr, 16);
}

TEST(CrashHandlerTest, AFaultLeavesACrashFileThatTheNextStartSends) {
  test::TTempDir folder;
  RunCrashingChild(SIGSEGV, [&] {
    setenv("QUILLON_TRACE_SYMBOLS", "1", 1);
    InstallCrashHandler({folder.Path(), 100, nullptr});
    QuillonTestFaultingFunction(nowhere);
  });
  ASSERT_EQ(folder.List().size(), 1u);
  const std::string name = folder.List()[0];
  EXPECT_TRUE(name.starts_with("crash-") && name.ends_with(".txt")) << name;
  const std::string local = ReadText(folder.File(name));
  EXPECT_TRUE(
      local.starts_with("Fatal signal SIGSEGV (invalid memory access) at address "
                        "$00000000 Call Stack:   at diagnostics_tests: $"))
      << local;

  // The first frame is the faulting instruction, inside the faulting function.
  const std::string first = FirstFrame(local);
  const std::uint64_t function = OffsetIn(
      TStackTraceHlp::FormatAddress(reinterpret_cast<std::uintptr_t>(&QuillonTestFaultingFunction))
          .addressText);
  EXPECT_GE(OffsetIn(first), function);
  EXPECT_LT(OffsetIn(first), function + 32);
  EXPECT_NE(first.find("\tQuillonTestFaultingFunction+0x"), std::string::npos) << first;

  // Taken but not yet gone out: the file stays.
  std::vector<std::string> sent;
  std::vector<TReportSent> whenSent;
  SetEventReportSender([&](const std::string& text, TReportSent done) {
    sent.push_back(text);
    whenSent.push_back(std::move(done));
    return true;
  });
  EXPECT_EQ(SendPendingCrashReports(folder.Path()), 1);
  SetEventReportSender(nullptr);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(folder.List().size(), 1u);
  whenSent.at(0)();
  EXPECT_EQ(sent[0].find('\t'), std::string::npos) << "function names are never sent";
  EXPECT_TRUE(sent[0].starts_with(local.substr(0, local.find('\t'))));
  EXPECT_EQ(std::count(sent[0].begin(), sent[0].end(), '\n'),
            std::count(local.begin(), local.end(), '\n'));
  EXPECT_TRUE(folder.List().empty());
  EXPECT_EQ(SendPendingCrashReports(folder.Path()), 0);
}

volatile int depthSink = 0;
volatile int depthLimit = INT_MAX;

[[gnu::noinline]] void Overflow(int depth) {
  volatile char frame[256];
  frame[0] = static_cast<char>(depth);
  if (depth < depthLimit) Overflow(depth + 1);
  depthSink = frame[0];
}

TEST(CrashHandlerTest, AStackOverflowIsReportedFromTheSignalStack) {
  test::TTempDir folder;
  RunCrashingChild(SIGSEGV, [&] {
    InstallCrashHandler({folder.Path(), 100, nullptr});
    Overflow(0);
  });
  ASSERT_EQ(folder.List().size(), 1u);
  const std::string report = ReadText(folder.File(folder.List()[0]));
  std::size_t frames = 0;
  for (std::size_t at = report.find("  at diagnostics_tests: $"); at != std::string::npos;
       at = report.find("  at diagnostics_tests: $", at + 1))
    ++frames;
  EXPECT_EQ(frames, 64u) << report;
}

TEST(CrashHandlerTest, AFaultOutsideEveryModuleHasNoModuleText) {
  test::TTempDir folder;
  RunCrashingChild(SIGSEGV, [&] {
    InstallCrashHandler({folder.Path(), 100, nullptr});
    const auto jump = reinterpret_cast<void (*)()>(static_cast<std::uintptr_t>(0x10));
    jump();
  });
  ASSERT_EQ(folder.List().size(), 1u);
  const std::string report = ReadText(folder.File(folder.List()[0]));
  EXPECT_EQ(FirstFrame(report), "  at $00000010") << report;
  // The call left its return address, which leads back into this program.
  EXPECT_NE(report.find("\r\n  at diagnostics_tests: $"), std::string::npos) << report;
}

TEST(CrashHandlerTest, AnUnhandledExceptionIsSentWithItsThrowStackAndLeavesNoFile) {
  test::TTempDir folder;
  const std::string sentFile = folder.File("sent");
  const std::string toldFile = folder.File("told");
  RunCrashingChild(SIGABRT, [&] {
    SetEventReportSender([&](const std::string& text, TReportSent done) {
      std::ofstream(sentFile) << text;
      std::thread(std::move(done)).detach();  // as the channel's thread would
      return true;
    });
    // The handler goes on as soon as the report is sent: the bound only ends a hang.
    InstallCrashHandler({folder.Path(), 20000,
                         [&](const std::string& message) { std::ofstream(toldFile) << message; }});
    std::thread(&ThrowUnhandled).join();
  });
  EXPECT_EQ(folder.List(), (std::vector<std::string>{"sent", "told"})) << "handed over: deleted";
  const std::string sent = ReadText(sentFile);
  EXPECT_TRUE(
      sent.starts_with("Unhandled exception: unhandled Call Stack:   at diagnostics_tests: $"))
      << sent;
  EXPECT_EQ(ReadText(toldFile), "Unhandled exception: unhandled");
}

TEST(CrashHandlerTest, AReportThatDoesNotGoOutStaysInTheCrashFile) {
  test::TTempDir folder;
  // A sender that refuses (no site configured), and one that takes the report but never gets
  // it out.
  for (const bool takes : {false, true}) {
    RunCrashingChild(SIGSEGV, [&] {
      SetEventReportSender([takes](const std::string&, TReportSent) { return takes; });
      InstallCrashHandler({folder.Path(), 100, nullptr});
      QuillonTestFaultingFunction(nowhere);
    });
  }
  ASSERT_EQ(folder.List().size(), 2u);
  SetEventReportSender([](const std::string&, TReportSent) { return false; });
  EXPECT_EQ(SendPendingCrashReports(folder.Path()), 0);
  SetEventReportSender(nullptr);
  EXPECT_EQ(folder.List().size(), 2u) << "never sent, so never deleted";
  TakeQueuedEventReports();
  EXPECT_EQ(SendPendingCrashReports(folder.Path()), 0);  // no sender yet: queued
  EXPECT_EQ(TakeQueuedEventReports().size(), 2u);
  EXPECT_EQ(folder.List().size(), 2u);
}

TEST(CrashHandlerTest, ASignalFromAnotherProcessNamesTheSenderNotAnAddress) {
  test::TTempDir folder;
  const pid_t parent = getpid();
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    InstallCrashHandler({folder.Path(), 100, nullptr});
    char one = 1;
    if (write(ready[1], &one, 1) != 1) _exit(1);
    for (;;) pause();
  }
  char one = 0;
  ASSERT_EQ(read(ready[0], &one, 1), 1);
  kill(child, SIGSEGV);
  int status = 0;
  waitpid(child, &status, 0);
  close(ready[0]);
  close(ready[1]);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGSEGV);
  ASSERT_EQ(folder.List().size(), 1u);
  const std::string report = ReadText(folder.File(folder.List()[0]));
  EXPECT_TRUE(report.starts_with("Fatal signal SIGSEGV sent by process " + std::to_string(parent) +
                                 " Call Stack: "))
      << report;
}

// Each test runs in its own process, so changing the environment reaches no other test.
TEST(CrashFolderTest, TheUsersDataFolderHoldsTheReports) {
  setenv("HOME", "/home/someone", 1);
  setenv("XDG_DATA_HOME", "/data/someone", 1);
  EXPECT_EQ(DefaultCrashFolder(), "/data/someone/Quillon");
  // An unset, empty or relative XDG_DATA_HOME is ignored, as the XDG rules say.
  for (const char* ignored : {"", "relative/data"}) {
    setenv("XDG_DATA_HOME", ignored, 1);
    EXPECT_EQ(DefaultCrashFolder(), "/home/someone/.local/share/Quillon") << ignored;
  }
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(DefaultCrashFolder(), "/home/someone/.local/share/Quillon");
}

}  // namespace
}  // namespace quillon
