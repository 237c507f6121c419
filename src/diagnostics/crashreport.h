#pragma once

#include <functional>
#include <string>

namespace quillon {

struct TCrashHandlerOptions {
  // Where crash files are written; empty: DefaultCrashFolder().
  std::string folder;
  // How long the report may take to reach the event-report channel, and how long an
  // asynchronous channel gets to send it, before the process ends.
  int sendBoundMs = 2000;
  // Optional: tells the user that the program has to end (runs on the faulting thread, inside
  // the signal handler; it should only show something if a window still can).
  std::function<void(const std::string& message)> tellUser;
};

// $XDG_DATA_HOME/Quillon, else ~/.local/share/Quillon.
std::string DefaultCrashFolder();

// Catches SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT (and uncaught exceptions, which end in
// SIGABRT). On a fault: writes the report (a message naming the signal, " Call Stack: " and the
// trace from the faulting instruction) to crash-<pid>.txt in the folder, hands it to ReportEvent
// and deletes the file when the report reached its site within sendBoundMs, tells the user, and
// ends the process with the signal. A signal sent by another process is reported as such. Call
// once, early, on the main thread; also gives that thread a signal stack. With the environment
// variable QUILLON_TRACE_SYMBOLS=1 the crash file (never the report sent) names the function of
// each frame.
void InstallCrashHandler(TCrashHandlerOptions options = {});

// Gives the calling thread its own signal stack, so that a stack overflow on it is reported too.
void InstallSignalStackForThisThread();

// Hands to ReportEvent every report a crash left in the folder (empty: the installed or default
// folder); each file is deleted once its report has reached the site, later, on the channel's
// thread. Call at start-up after the event-report sender is installed. Returns how many reports
// the channel took.
int SendPendingCrashReports(const std::string& folder = "");

}  // namespace quillon
