#pragma once

namespace quillon {

// For a signal handler's riskier steps: a timer whose SIGALRM ends the process should a step hang.
void ArmWatchdog(int milliseconds);
void DisarmWatchdog();

// A monotonic clock in milliseconds, and a sleep that resumes after interruptions.
long long NowMs();
void SleepMs(long long milliseconds);

}  // namespace quillon
