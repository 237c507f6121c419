#pragma once

namespace quillon {

// quillon-cli edit IN [OPERATIONS...] [-o OUT]: runs the operations in order on the document,
// each as one request waiting for its end, then writes the result.
int RunEditCommand(int argc, const char* const* argv);

// The lines of the usage text that describe the edit command.
extern const char* const kEditUsage;

}  // namespace quillon
