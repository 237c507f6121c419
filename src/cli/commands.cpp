#include "cli/commands.h"

#include <cinttypes>
#include <cstdio>
#include <string_view>

#include "cli/editcommand.h"
#include "cli/markeroptions.h"
#include "cli/playcommand.h"
#include "cli/session.h"
#include "cli/splitcommand.h"
#include "cli/tagoptions.h"

namespace quillon {

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char* kUsage =
    "usage: quillon-cli info FILE     print the format, length, peak level, tags and markers of\n"
    "                                 FILE\n"
    "       quillon-cli peaks FILE    print the peak index of FILE, one MAX MIN entry a line\n";

int Usage() {
  std::fputs(kUsage, stderr);
  std::fputs(kEditUsage, stderr);
  std::fputs(kRecoverUsage, stderr);
  std::fputs(kSplitUsage, stderr);
  std::fputs(kPlayUsage, stderr);
  return kExitUsage;
}

}  // namespace

void PrintInfo(const Twavefile& d, std::FILE* out) {
  std::fprintf(out, "channels: %u\n", d.Channels());
  std::fprintf(out, "sample_rate: %u\n", d.SampleRate());
  std::fprintf(out, "frames: %u\n", d.FrameCount());
  std::fprintf(out, "duration: %.6f\n", d.Duration());
  std::fprintf(out, "original_bits: %d\n", d.OriginalBits());
  std::fprintf(out, "peak: %d\n", d.Peak());
  std::fprintf(out, "peak_db: %d\n", d.PeakDb());
  std::fprintf(out, "source_channels: %u\n", d.SourceChannels());
  PrintTags(d.Tags(), out);
  PrintMarkers(d.Markers(), out);
}

void PrintPeaks(const Twavefile& d, std::FILE* out) {
  for (const Tindextype& entry : d.Index()) std::fprintf(out, "%d %d\n", entry.max, entry.min);
}

int RunCli(int argc, const char* const* argv) {
  if (argc >= 1 && std::string_view(argv[0]) == "edit") {
    int status = RunEditCommand(argc - 1, argv + 1);
    return status == kExitUsage ? Usage() : status;
  }
  if (argc >= 1 && std::string_view(argv[0]) == "recover") {
    int status = RunRecoverCommand(argc - 1, argv + 1);
    return status == kExitUsage ? Usage() : status;
  }
  if (argc >= 1 && std::string_view(argv[0]) == "split") {
    int status = RunSplitCommand(argc - 1, argv + 1);
    return status == kExitUsage ? Usage() : status;
  }
  if (argc >= 1 && std::string_view(argv[0]) == "play") {
    int status = RunPlayCommand(argc - 1, argv + 1);
    return status == kExitUsage ? Usage() : status;
  }
  if (argc == 0) return Usage();
  std::string_view command = argv[0];
  if (command != "info" && command != "peaks") {
    std::fprintf(stderr, "quillon-cli: unknown command \"%s\"\n", argv[0]);
    return Usage();
  }
  if (argc != 2) {
    std::fprintf(stderr, "quillon-cli: %s takes one FILE, not %d arguments\n", argv[0], argc - 1);
    return Usage();
  }
  TCliSession session;
  if (!session.Open(argv[1])) return kExitFailed;
  if (command == "info")
    PrintInfo(session.Document(), stdout);
  else
    PrintPeaks(session.Document(), stdout);
  return std::fflush(stdout) == 0 ? 0 : kExitFailed;
}

}  // namespace quillon
