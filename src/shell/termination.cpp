#include "shell/termination.h"

#include <QSocketNotifier>
#include <QWidget>
#include <csignal>
#include <cstdlib>

#include <sys/socket.h>
#include <unistd.h>

namespace quillon {

namespace {

int signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: the byte wakes the main thread, which does the rest.
void OnSignal(int signal) {
  const char byte = static_cast<char>(signal);
  [[maybe_unused]] ssize_t written = write(signalPipe[1], &byte, 1);
}

}  // namespace

void CloseOnTerminationSignals(QWidget* window) {
  if (signalPipe[0] >= 0 || socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
  QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
    char byte = 0;
    if (read(signalPipe[0], &byte, 1) != 1) return;
    static int received = 0;
    if (++received > 1) std::_Exit(128 + byte);
    window->close();
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

}  // namespace quillon
