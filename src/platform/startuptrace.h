#pragma once

namespace quillon {

// Where start-up spends its time: with QUILLON_STARTUP_TRACE=1 in the environment each step
// prints the milliseconds since the process was started (exec, not main) and the processor time
// it has used to stderr. Off, a step costs a test of one flag.
void StartupStep(const char* step);

}  // namespace quillon
