#pragma once

namespace quillon {

// quillon-cli edit IN [OPERATIONS...] [-o OUT]: runs the operations in order on the document,
// each as one request waiting for its end, then writes the result.
int RunEditCommand(int argc, const char* const* argv);

// quillon-cli recover [--list | --discard | OPERATIONS... [-o OUT]]: takes up what a run that
// ended without closing left unsaved.
int RunRecoverCommand(int argc, const char* const* argv);

// The lines of the usage text that describe the edit and recover commands.
extern const char* const kEditUsage;
extern const char* const kRecoverUsage;

}  // namespace quillon
