#include "cli/splitcommand.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "cli/session.h"
#include "codecs/encodersettings.h"
#include "document/splitplan.h"

namespace quillon {

const char* const kSplitUsage =
    "       quillon-cli split IN --dir DIR [--pattern P] [--format EXT] [--time]\n"
    "         writes one file per region of IN, or per span between its markers when it has\n"
    "         no regions, into DIR (made when missing), with IN's tags, the track number and\n"
    "         the marker's name as title, and prints each name; P names the files: %n the\n"
    "         number, %t the total, %m the marker's or region's name, %s IN's name (default\n"
    "         \"%n %m\"); EXT: wav, mp3, flac, ogg, opus (default: IN's own, else wav);\n"
    "         --time prints the seconds the files took\n";

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Fail(const std::string& text, int status) {
  std::fprintf(stderr, "quillon-cli: %s\n", text.c_str());
  return status;
}

struct TSplitOptions {
  std::string input;
  std::string folder;
  std::string pattern = "%n %m";
  std::string extension;
  bool timed = false;
};

std::optional<TSplitOptions> ParseSplitArguments(int argc, const char* const* argv) {
  if (argc < 1) return Fail("split: the file to open is missing", 0), std::nullopt;
  TSplitOptions options;
  options.input = argv[0];
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--time") {
      options.timed = true;
      continue;
    }
    if (option != "--dir" && option != "--pattern" && option != "--format")
      return Fail("unknown option \"" + std::string(option) + "\"", 0), std::nullopt;
    if (i + 1 == argc)
      return Fail(std::string(option) + " takes a value, which is missing.", 0), std::nullopt;
    const std::string value = argv[++i];
    if (option == "--dir") options.folder = value;
    if (option == "--pattern") options.pattern = value;
    if (option == "--format") {
      if (!SaveFormatOf("x." + value))
        return Fail("--format takes wav, mp3, flac, ogg or opus, not \"" + value + "\".", 0),
               std::nullopt;
      options.extension = LowerExtension("x." + value).substr(1);
    }
  }
  if (options.folder.empty()) return Fail("split: --dir DIR is missing", 0), std::nullopt;
  if (options.extension.empty())
    options.extension =
        SaveFormatOf(options.input) ? LowerExtension(options.input).substr(1) : "wav";
  return options;
}

}  // namespace

int RunSplitCommand(int argc, const char* const* argv) {
  std::optional<TSplitOptions> options = ParseSplitArguments(argc, argv);
  if (!options) return kExitUsage;
  TCliSession session;
  if (!session.Open(options->input)) return kExitFailed;
  Twavefile& document = session.Document();
  TSplitChoice choice;
  choice.pattern = options->pattern;
  choice.extension = options->extension;
  choice.folder = options->folder;
  TSplitFiles plan = PlanSplitFiles(document.Markers(), document.FrameCount(), document.Tags(),
                                    options->input, choice);
  if (plan.files.empty())
    return Fail(options->input + " has no markers or regions to split at.", kExitFailed);
  if (!plan.duplicate.empty())
    return Fail("The pattern gives two parts the name \"" + plan.duplicate + "\"; add %n to it.",
                kExitFailed);
  std::error_code error;
  std::filesystem::create_directories(options->folder, error);
  if (error) return Fail("Cannot make the folder " + options->folder + ": " + error.message(), 1);
  std::vector<std::string> names;
  for (const TSplitFile& file : plan.files) names.push_back(file.name);
  const auto start = std::chrono::steady_clock::now();
  const bool written = session.Run([&](Twavefile& d) { return d.Split(std::move(plan.files)); });
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  if (options->timed) std::fprintf(stderr, "time: split %.3f\n", seconds.count());
  if (!written) return kExitFailed;
  for (const std::string& name : names) std::printf("%s\n", name.c_str());
  return std::fflush(stdout) == 0 ? 0 : kExitFailed;
}

}  // namespace quillon
