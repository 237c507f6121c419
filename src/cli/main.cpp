#include "cli/commands.h"
#include "diagnostics/crashreport.h"

int main(int argc, char** argv) {
  // A fault leaves its report for the editor's next start.
  quillon::InstallCrashHandler();
  return quillon::RunCli(argc - 1, argv + 1);
}
