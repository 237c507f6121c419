#include "cli/splitcommand.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "cli/session.h"
#include "codecs/encodersettings.h"
#include "document/splitplan.h"

namespace quillon {

const char* const kSplitUsage =
    "       quillon-cli split IN --dir DIR [--pattern P] [--format EXT]\n"
    "         writes one file per region of IN, or per span between its markers when it has\n"
    "         no regions, into DIR (made when missing), with IN's tags, the track number and\n"
    "         the marker's name as title, and prints each name; P names the files: %n the\n"
    "         number, %t the total, %m the marker's or region's name, %s IN's name (default\n"
    "         \"%n %m\"); EXT: wav, mp3, flac, ogg, opus (default: IN's own, else wav)\n";

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
};

std::optional<TSplitOptions> ParseSplitArguments(int argc, const char* const* argv) {
  if (argc < 1) return Fail("split: the file to open is missing", 0), std::nullopt;
  TSplitOptions options;
  options.input = argv[0];
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
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
  const std::vector<TSplitPart> parts = PlanSplit(document.Markers(), document.FrameCount(), true);
  if (parts.empty())
    return Fail(options->input + " has no markers or regions to split at.", kExitFailed);
  const std::string source = std::filesystem::path(options->input).stem().string();
  std::vector<std::string> names;
  for (size_t i = 0; i < parts.size(); ++i) {
    names.push_back(
        SplitFileName(options->pattern, parts[i], i + 1, parts.size(), source, options->extension));
    if (std::count(names.begin(), names.end(), names.back()) > 1)
      return Fail("The pattern gives two parts the name \"" + names.back() + "\"; add %n to it.",
                  kExitFailed);
  }
  std::error_code error;
  std::filesystem::create_directories(options->folder, error);
  if (error) return Fail("Cannot make the folder " + options->folder + ": " + error.message(), 1);
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string path = (std::filesystem::path(options->folder) / names[i]).string();
    const TTags tags = SplitTags(document.Tags(), parts[i], i + 1, parts.size());
    if (!session.Run([&](Twavefile& d) {
          return d.SaveSelection(path, parts[i].start, parts[i].stop, tags);
        }))
      return kExitFailed;
    std::printf("%s\n", names[i].c_str());
  }
  return std::fflush(stdout) == 0 ? 0 : kExitFailed;
}

}  // namespace quillon
