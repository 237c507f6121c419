#include "cli/commands.h"
#include "diagnostics/crashreport.h"
#include "platform/runfiles.h"

int main(int argc, char** argv) {
  // A fault leaves its report for the editor's next start.
  quillon::InstallCrashHandler();
  int status = quillon::RunCli(argc - 1, argv + 1);
  quillon::ReleaseRunFiles();
  return status;
}
