#include "platform/startuptrace.h"

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace quillon {

namespace {

double ClockMs(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

double BootMs() {
  return ClockMs(CLOCK_BOOTTIME);
}

// The process's start in CLOCK_BOOTTIME milliseconds: field 22 of /proc/self/stat, in clock
// ticks (so to 10 ms); the steps' differences are exact. Now when the field cannot be read.
double ProcessStartMs() {
  std::ifstream file("/proc/self/stat");
  const std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  // The command name may hold spaces and parentheses: the fields that follow start after the
  // last ')'.
  const size_t close = stat.rfind(')');
  const long ticks = sysconf(_SC_CLK_TCK);
  if (close == std::string::npos || ticks <= 0) return BootMs();
  std::istringstream fields(stat.substr(close + 1));
  std::string field;
  // Field 3 (state) is the first after the name; the start time is field 22.
  for (int number = 3; number <= 22 && fields >> field; ++number)
    if (number == 22) return std::strtod(field.c_str(), nullptr) * 1000.0 / ticks;
  return BootMs();
}

}  // namespace

void StartupStep(const char* step) {
  static const bool on = [] {
    const char* value = std::getenv("QUILLON_STARTUP_TRACE");
    return value && std::strcmp(value, "1") == 0;
  }();
  if (!on) return;
  static const double start = ProcessStartMs();
  // On a busy machine the processor time tells more than the time on the clock.
  std::fprintf(stderr, "startup %7.1f ms, processor %6.1f ms  %s\n", BootMs() - start,
               ClockMs(CLOCK_PROCESS_CPUTIME_ID), step);
}

}  // namespace quillon
