// A fault leaves the program in an unknown state, so the handler does the least it can: the report
// goes to a file first, with calls that are safe in a signal handler; only then come the riskier
// steps (the report channel, telling the user), each under a watchdog timer that ends the process
// should it hang.
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

#include "diagnostics/StackTrace.h"
#include "diagnostics/crashfile.h"
#include "diagnostics/crashreport.h"
#include "diagnostics/exceptionreport.h"
#include "diagnostics/exceptiontraces.h"
#include "diagnostics/faultstack.h"
#include "diagnostics/watchdog.h"
#include "platform/eventreport.h"

namespace quillon {

namespace {

using TStackTraceHlp::TFixedText;
using TStackTraceHlp::TStackTrace;

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr std::size_t kSignalStackBytes = 1024 * 1024;
// Long enough to read a message, short enough that a hung one does not keep the process.
constexpr int kTellUserBoundMs = 3 * 60 * 1000;

// Set at installation; read by the handler, which must not allocate to get them.
char crashFolder[PATH_MAX];
bool withSymbols = false;
int sendBoundMs = 2000;
std::function<void(const std::string&)>* tellUser = nullptr;
std::terminate_handler previousTerminate = nullptr;

// The handler's working memory.
char fileText[128 * 1024];
char sentText[64 * 1024];
char filePath[PATH_MAX + 64];

// An uncaught exception ends in SIGABRT; its message and throw stack are kept for that report.
char terminateMessage[1024];
TStackTrace terminateTrace;
std::atomic<bool> terminateKept{false};

std::atomic<pid_t> handlingThread{0};

const char* SignalName(int signal) {
  switch (signal) {
    case SIGSEGV:
      return "SIGSEGV (invalid memory access)";
    case SIGBUS:
      return "SIGBUS (bus error)";
    case SIGFPE:
      return "SIGFPE (arithmetic error)";
    case SIGILL:
      return "SIGILL (illegal instruction)";
    case SIGABRT:
      return "SIGABRT (abort)";
  }
  return "unknown";
}

void AppendNumber(TFixedText& out, unsigned long value) {
  char digits[24];
  int length = 0;
  for (; value > 0 || length == 0; value /= 10)
    digits[length++] = static_cast<char>('0' + value % 10);
  while (length > 0) out.Append(&digits[--length], 1);
}

// Sent with kill() and the like by another process: its si_addr holds the sender, no address.
bool SentByAnotherProcess(const siginfo_t* info) {
  return info->si_code <= 0 && info->si_pid != getpid();
}

void AppendMessage(TFixedText& out, int signal, const siginfo_t* info) {
  if (signal == SIGABRT && terminateKept) {
    out.Append(terminateMessage);
    return;
  }
  out.Append("Fatal signal ");
  if (SentByAnotherProcess(info)) {
    // Only the name: what a fault of that kind would mean is not what happened.
    const char* name = SignalName(signal);
    out.Append(name, static_cast<std::size_t>(std::strcspn(name, " ")));
    out.Append(" sent by process ");
    AppendNumber(out, static_cast<unsigned long>(info->si_pid));
    return;
  }
  out.Append(SignalName(signal));
  if (signal == SIGSEGV || signal == SIGBUS) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    out.Append(" at address $");
    out.AppendHex(address, address > 0xFFFFFFFFu ? 16 : 8);
  }
}

void ComposeReport(TFixedText& out, int signal, const siginfo_t* info, const TStackTrace& trace,
                   bool symbols) {
  AppendMessage(out, signal, info);
  out.Append(" Call Stack: ");
  TStackTraceHlp::AppendStackTraceText(out, trace, symbols);
}

void ComposeFilePath() {
  TFixedText path(filePath, sizeof filePath);
  path.Append(crashFolder);
  path.Append("/");
  path.Append(kCrashFilePrefix);
  AppendNumber(path, static_cast<unsigned long>(getpid()));
  path.Append(kCrashFileSuffix);
}

std::atomic<bool> reportSent{false};

// Whether the report reached its site before the deadline; a report that did not stays in the
// crash file for the next start.
bool HandOver(const std::string& text, long long deadlineMs) {
  reportSent = false;
  // Without a sender it would only queue in this process.
  if (!ReportEvent(text, [] { reportSent = true; })) return false;
  while (!reportSent && NowMs() < deadlineMs) SleepMs(10);
  return reportSent;
}

void RestoreDefaultHandlers() {
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  for (const int signal : kFatalSignals) sigaction(signal, &standard, nullptr);
}

// Ends the process by the signal itself, so that its parent sees the real cause (and a core is
// written where enabled): the signal stays blocked until the handler returns.
void EndBySignal(int signal) {
  RestoreDefaultHandlers();
  raise(signal);
}

void TellUser(int signal, const siginfo_t* info) {
  char message[1200];
  TFixedText text(message, sizeof message);
  AppendMessage(text, signal, info);
  ArmWatchdog(kTellUserBoundMs);
  (*tellUser)(std::string(text.Data(), text.Length()));
  DisarmWatchdog();
}

// The steps that may fail in a damaged process; nothing of them may escape the handler.
void ReportAndTell(int signal, const siginfo_t* info) {
  try {
    ArmWatchdog(sendBoundMs + 1000);
    const bool sent = HandOver(std::string(sentText), NowMs() + sendBoundMs);
    DisarmWatchdog();
    if (sent) unlink(filePath);
    if (tellUser && *tellUser) TellUser(signal, info);
  } catch (...) {
    DisarmWatchdog();
  }
}

TFixedText WriteReports(int signal, const siginfo_t* info, const TStackTrace& trace) {
  TFixedText local(fileText, sizeof fileText);
  ComposeReport(local, signal, info, trace, withSymbols);
  TFixedText sent(sentText, sizeof sentText);
  ComposeReport(sent, signal, info, trace, false);
  WriteCrashFile(filePath, local.Data(), local.Length());
  return local;
}

// The report on standard error as well, for whoever started the program from a terminal.
void WriteToStandardError(const TFixedText& text) {
  if (write(STDERR_FILENO, text.Data(), text.Length()) >= 0) write(STDERR_FILENO, "\n", 1);
}

void OnFatalSignal(int signal, siginfo_t* info, void* context) {
  const int savedErrno = errno;
  pid_t none = 0;
  if (!handlingThread.compare_exchange_strong(none, gettid())) {
    // A fault inside this handler ends at once; another thread's waits for the first to finish.
    if (none == gettid()) return EndBySignal(signal);
    for (;;) pause();
  }
  ComposeFilePath();
  const bool unhandled = signal == SIGABRT && terminateKept;
  // A short report first, should the walk of a damaged stack fault in its turn.
  if (!unhandled) WriteReports(signal, info, TStackTraceHlp::FaultFrames(context));
  WriteToStandardError(
      WriteReports(signal, info, unhandled ? terminateTrace : TStackTraceHlp::FaultTrace(context)));
  ReportAndTell(signal, info);
  EndBySignal(signal);
  errno = savedErrno;
}

void OnTerminate() {
  if (const std::exception_ptr exception = std::current_exception()) {
    const std::string message = "Unhandled exception: " + CurrentExceptionMessage();
    TFixedText text(terminateMessage, sizeof terminateMessage);
    text.Append(message.c_str());
    const TStackTrace* trace = TStackTraceHlp::TraceOfException(exception);
    terminateTrace = trace ? *trace : TStackTrace{};
    terminateKept = true;
  }
  if (previousTerminate) previousTerminate();
  std::abort();
}

void CopyFolder(const std::string& folder) {
  TFixedText text(crashFolder, sizeof crashFolder);
  text.Append(folder.c_str());
}

// The first walk and lookup load and set up what they need, which is not safe in a handler.
void PrepareWalker() {
  TStackTraceHlp::CaptureStackTrace(0);
  char buffer[512];
  TFixedText text(buffer, sizeof buffer);
  TStackTraceHlp::AppendFrameText(text, reinterpret_cast<std::uintptr_t>(&PrepareWalker), true,
                                  true);
}

}  // namespace

void InstallSignalStackForThisThread() {
  void* memory = mmap(nullptr, kSignalStackBytes, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (memory == MAP_FAILED) return;
  stack_t stack{};
  stack.ss_sp = memory;
  stack.ss_size = kSignalStackBytes;
  if (sigaltstack(&stack, nullptr) != 0) munmap(memory, kSignalStackBytes);
}

void InstallCrashHandler(TCrashHandlerOptions options) {
  const std::string folder = options.folder.empty() ? DefaultCrashFolder() : options.folder;
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  SetCurrentCrashFolder(folder);
  CopyFolder(folder);
  const char* symbols = std::getenv("QUILLON_TRACE_SYMBOLS");
  withSymbols = symbols && std::strcmp(symbols, "1") == 0;
  sendBoundMs = options.sendBoundMs;
  delete tellUser;
  tellUser = new std::function<void(const std::string&)>(std::move(options.tellUser));
  PrepareWalker();
  InstallSignalStackForThisThread();

  if (!previousTerminate) previousTerminate = std::set_terminate(&OnTerminate);
  struct sigaction action {};
  action.sa_sigaction = &OnFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (const int signal : kFatalSignals) sigaction(signal, &action, nullptr);
}

}  // namespace quillon
