#include <cstdio>

#include "cli/commands.h"
#include "cli/session.h"
#include "diagnostics/crashreport.h"
#include "platform/runfiles.h"

int main(int argc, char** argv) {
  // A fault leaves its report for the editor's next start.
  quillon::InstallCrashHandler();
  int status = quillon::RunCli(argc - 1, argv + 1);
  if (quillon::CliInterrupted()) {
    std::fputs(
        "quillon-cli: interrupted: the running operation was cancelled; a save that had not "
        "finished left no file\n",
        stderr);
    // The shell's convention for a program that ended on SIGINT.
    status = 130;
  }
  quillon::ReleaseRunFiles();
  return status;
}
