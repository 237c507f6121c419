#include "diagnostics/watchdog.h"

#include <signal.h>
#include <sys/time.h>
#include <time.h>

#include <cerrno>

namespace quillon {

void ArmWatchdog(int milliseconds) {
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigaction(SIGALRM, &standard, nullptr);
  sigset_t alarm;
  sigemptyset(&alarm);
  sigaddset(&alarm, SIGALRM);
  pthread_sigmask(SIG_UNBLOCK, &alarm, nullptr);
  itimerval timer{};
  timer.it_value.tv_sec = milliseconds / 1000;
  timer.it_value.tv_usec = (milliseconds % 1000) * 1000 + (milliseconds > 0 ? 0 : 1);
  setitimer(ITIMER_REAL, &timer, nullptr);
}

void DisarmWatchdog() {
  itimerval off{};
  setitimer(ITIMER_REAL, &off, nullptr);
}

long long NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000LL + now.tv_nsec / 1'000'000;
}

void SleepMs(long long milliseconds) {
  if (milliseconds <= 0) return;
  timespec pause{static_cast<time_t>(milliseconds / 1000), (milliseconds % 1000) * 1'000'000};
  while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

}  // namespace quillon
