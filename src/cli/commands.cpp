#include "cli/commands.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "analysis/loudness.h"
#include "cli/editcommand.h"
#include "cli/markeroptions.h"
#include "cli/playcommand.h"
#include "cli/session.h"
#include "cli/spectrogramcommand.h"
#include "cli/splitcommand.h"
#include "cli/tagoptions.h"

namespace quillon {

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char* kUsage =
    "usage: quillon-cli info [--loudness] FILE\n"
    "                                 print the format, length, peak level, tags and markers of\n"
    "                                 FILE; --loudness adds its loudness (EBU R 128) and true\n"
    "                                 peak\n"
    "       quillon-cli peaks FILE    print the peak index of FILE, one MAX MIN entry a line\n";

int Usage() {
  std::fputs(kUsage, stderr);
  std::fputs(kEditUsage, stderr);
  std::fputs(kRecoverUsage, stderr);
  std::fputs(kSplitUsage, stderr);
  std::fputs(kPlayUsage, stderr);
  std::fputs(kSpectrogramUsage, stderr);
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

namespace {

void PrintLevel(std::FILE* out, const char* name, double value) {
  if (std::isfinite(value))
    std::fprintf(out, "%s: %.2f\n", name, value);
  else
    std::fprintf(out, "%s: -inf\n", name);
}

}  // namespace

void PrintLoudness(const Twavefile& d, std::FILE* out) {
  const auto state = d.State();
  const TLoudness loudness = MeasureLoudness(
      {state->samples.get(), state->channels, state->sampleRate, 0, state->frameCount});
  PrintLevel(out, "loudness_lufs", loudness.integratedLufs);
  PrintLevel(out, "loudness_range_lu", loudness.rangeLu);
  PrintLevel(out, "loudness_max_momentary_lufs", loudness.maxMomentaryLufs);
  PrintLevel(out, "loudness_max_short_term_lufs", loudness.maxShortTermLufs);
  PrintLevel(out, "true_peak_dbtp", loudness.truePeakDbtp);
  PrintLevel(out, "sample_peak_dbfs", loudness.samplePeakDbfs);
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
  if (argc >= 1 && std::string_view(argv[0]) == "spectrogram") {
    int status = RunSpectrogramCommand(argc - 1, argv + 1);
    return status == kExitUsage ? Usage() : status;
  }
  if (argc == 0) return Usage();
  std::string_view command = argv[0];
  const bool loudness = command == "info" && argc >= 2 && std::string_view(argv[1]) == "--loudness";
  if (loudness) {
    --argc;
    ++argv;
  }
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
  if (command == "info") {
    PrintInfo(session.Document(), stdout);
    if (loudness && session.Document().FrameCount() > 0) PrintLoudness(session.Document(), stdout);
  } else
    PrintPeaks(session.Document(), stdout);
  return std::fflush(stdout) == 0 ? 0 : kExitFailed;
}

}  // namespace quillon
