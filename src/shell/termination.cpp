#include "shell/termination.h"

#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QWidget>
#include <chrono>
#include <csignal>
#include <cstdlib>

#include <sys/socket.h>
#include <unistd.h>

#include "diagnostics/watchdog.h"
#include "platform/mainthread.h"
#include "platform/messagebox.h"

namespace quillon {

namespace {

// Within two seconds of the request the process is gone: the stop of an operation gets most of
// it, the watchdog ends whatever still holds the main thread a little before the limit.
constexpr auto kStopBound = std::chrono::milliseconds(1000);
constexpr int kWatchdogMs = 1700;

int signalPipe[2] = {-1, -1};
volatile sig_atomic_t signalsReceived = 0;

// Only async-signal-safe work here: the byte wakes the main thread, which does the rest. From
// now on the watchdog bounds the end, and a second signal ends at once.
void OnSignal(int signal) {
  if (signalsReceived) _exit(128 + signal);
  signalsReceived = 1;
  ArmWatchdog(kWatchdogMs);
  const char byte = static_cast<char>(signal);
  [[maybe_unused]] ssize_t written = write(signalPipe[1], &byte, 1);
}

}  // namespace

void ExitBySignal(int signal) {
  if (signal == 0) std::_Exit(0);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigaction(signal, &standard, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal);
  std::_Exit(128 + signal);
}

TSystemEnd::TSystemEnd(TEndSteps steps, QWidget* window)
    : QObject(window), steps_(std::move(steps)), window_(window) {
  WatchSignals();
  qApp->installEventFilter(this);
  // A checkpoint or the session's end: the journal is current already, the settings follow.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { steps_.keep(); });
}

TSystemEnd::~TSystemEnd() {
  if (qApp) qApp->removeEventFilter(this);
}

void TSystemEnd::WatchSignals() {
  if (signalPipe[0] < 0 && socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
  // Served by every event loop, a dialog's or a message box's included.
  connect(notifier, &QSocketNotifier::activated, this, [this] {
    char byte = 0;
    if (read(signalPipe[0], &byte, 1) == 1) End(byte);
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool TSystemEnd::eventFilter(QObject* watched, QEvent* event) {
  if (watched == qApp && event->type() == QEvent::Quit && window_->isVisible()) {
    End(0);
    return true;
  }
  return false;
}

void TSystemEnd::End(int signal) {
  QUILLON_MAIN_THREAD_ONLY();
  if (ending_) return;
  ending_ = true;
  if (signal == 0) ArmWatchdog(kWatchdogMs);
  // Nothing may wait for an answer now: what would be shown goes to the error output.
  static TStderrMessageBoxes quiet;
  TMessageBoxes& previous = MessageBoxes();
  SetMessageBoxes(&quiet);
  steps_.cancel();
  const auto deadline = std::chrono::steady_clock::now() + kStopBound;
  // The stopped operation's end is installed here, and with it the journal written.
  MainThread().WaitServing(
      [&] { return !steps_.running() || std::chrono::steady_clock::now() >= deadline; });
  steps_.keep();
  if (!steps_.running() && !steps_.unsaved()) steps_.release();
  steps_.exit(signal);
  // Only an exit step that returns (a test's) comes back here: the program goes on as before.
  SetMessageBoxes(&previous);
  DisarmWatchdog();
  signalsReceived = 0;
  ending_ = false;
}

}  // namespace quillon
