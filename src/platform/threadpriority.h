#pragma once

namespace quillon {

// Lets the calling thread yield the processor to the others of the program, the main thread
// above all: for background work that may take every core (a nice value of 10 on Linux). Does
// nothing where the system refuses.
void LowerThisThreadsPriority();

}  // namespace quillon
