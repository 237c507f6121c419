#pragma once

#include "shell/termination.h"

namespace quillon {

class Tmainform;

// How the editor ends at the system's request: its operation stopped, its settings stored, and
// the run's files deleted only when the document holds nothing unsaved.
TEndSteps EditorEndSteps(Tmainform& form);

}  // namespace quillon
