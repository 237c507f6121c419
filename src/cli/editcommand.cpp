#include "cli/editcommand.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/session.h"
#include "platform/filesystem.h"

namespace quillon {

const char* const kEditUsage =
    "       quillon-cli edit IN [OPERATIONS...] [-o OUT.wav]\n"
    "         runs the operations in order (positions in frames, A:B is frames A to B-1):\n"
    "         --insert-silence POS:FRAMES  --delete A:B  --cut A:B  --copy A:B  --paste POS\n"
    "         --fade-in A:B  --fade-out A:B  --normalize PCT (0-100)  --amplify PCT (0-200)\n"
    "         --reverse  --invert  --undo  --redo\n"
    "         --clip FILE.wav (put FILE on the clipboard)  --clip-out FILE.wav (write the\n"
    "         clipboard's audio to FILE at the end)  --time (print each step's seconds)\n";

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

std::optional<int64_t> ParseNumber(std::string_view text) {
  int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::pair<int64_t, int64_t>> ParsePair(std::string_view text) {
  size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  auto first = ParseNumber(text.substr(0, colon));
  auto second = ParseNumber(text.substr(colon + 1));
  if (!first || !second) return std::nullopt;
  return std::make_pair(*first, *second);
}

// One operation of the command line, ready to run on the session.
using TStepRun = std::function<bool(TCliSession&)>;
struct TStep {
  std::string name;
  TStepRun run;
};

bool Fail(const std::string& text) {
  std::fprintf(stderr, "quillon-cli: %s\n", text.c_str());
  return false;
}

TStepRun RangeStep(bool (Twavefile::*request)(int64_t, int64_t), std::pair<int64_t, int64_t> r) {
  return [=](TCliSession& s) {
    return s.Run([&](Twavefile& d) { return (d.*request)(r.first, r.second); });
  };
}

TStepRun HistoryStep(bool undo) {
  return [=](TCliSession& s) {
    Twavefile& d = s.Document();
    if (!(undo ? d.CanUndo() : d.CanRedo()))
      return Fail(undo ? "There is nothing to undo." : "There is nothing to redo.");
    return s.Run([&](Twavefile& doc) {
      try {
        undo ? doc.Undo() : doc.Redo();
      } catch (const std::exception& error) {
        return Fail(error.what());
      }
      return true;
    });
  };
}

TStepRun ClipInStep(const std::string& path) {
  return [=](TCliSession& s) {
    if (!FileExists(path)) return Fail("Cannot read " + path);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return Fail("Cannot read " + path);
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
      bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(file);
    s.Clipboard().SetWave(std::move(bytes));
    return true;
  };
}

bool WriteClipboard(TCliSession& s, const std::string& path) {
  std::optional<std::vector<uint8_t>> block = s.Clipboard().GetWave();
  if (!block) return Fail("The clipboard holds no audio.");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  bool written = file && std::fwrite(block->data(), 1, block->size(), file) == block->size();
  if (file && std::fclose(file) != 0) written = false;
  return written || Fail("Cannot write " + path);
}

bool WriteDocument(TCliSession& s, const std::string& path) {
  std::error_code error;
  std::filesystem::copy_file(s.Document().TempFileName(), path,
                             std::filesystem::copy_options::overwrite_existing, error);
  return !error || Fail("Cannot write " + path + ": " + error.message());
}

struct TEditPlan {
  std::string input;
  bool timed = false;
  std::vector<TStep> steps;
  std::optional<std::string> output;
  std::optional<std::string> clipOutput;
};

// Builds the plan; none when the arguments are malformed.
std::optional<TEditPlan> ParseEditArguments(int argc, const char* const* argv) {
  if (argc < 1) return std::nullopt;
  TEditPlan plan{argv[0], false, {}, {}, {}};
  using Range = bool (Twavefile::*)(int64_t, int64_t);
  const std::pair<const char*, Range> ranges[] = {
      {"--delete", &Twavefile::Delete},    {"--cut", &Twavefile::Cut},
      {"--copy", &Twavefile::Copy},        {"--fade-in", &Twavefile::FadeIn},
      {"--fade-out", &Twavefile::FadeOut}, {"--insert-silence", &Twavefile::InsertSilence}};
  for (int i = 1; i < argc; ++i) {
    std::string_view option = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    auto takesValue = [&] { return value != nullptr && (++i, true); };
    bool matched = false;
    for (const auto& [name, request] : ranges) {
      if (option != name) continue;
      auto pair = takesValue() ? ParsePair(value) : std::nullopt;
      if (!pair) return std::nullopt;
      plan.steps.push_back({name + 2, RangeStep(request, *pair)});
      matched = true;
    }
    if (matched) continue;
    if (option == "--paste") {
      auto position = takesValue() ? ParseNumber(value) : std::nullopt;
      if (!position) return std::nullopt;
      plan.steps.push_back({"paste", [p = *position](TCliSession& s) {
                              return s.Run([&](Twavefile& d) { return d.Paste(p); });
                            }});
    } else if (option == "--normalize" || option == "--amplify") {
      bool normalize = option == "--normalize";
      auto percent = takesValue() ? ParseNumber(value) : std::nullopt;
      if (!percent || *percent < 0 || *percent > (normalize ? 100 : 200)) return std::nullopt;
      plan.steps.push_back(
          {std::string(option.substr(2)), [normalize, p = *percent](TCliSession& s) {
             return s.Run([&](Twavefile& d) {
               return normalize ? d.Normalize(static_cast<int32_t>(p))
                                : d.Amplify(static_cast<uint32_t>(p));
             });
           }});
    } else if (option == "--reverse" || option == "--invert") {
      bool reverse = option == "--reverse";
      plan.steps.push_back({std::string(option.substr(2)), [reverse](TCliSession& s) {
                              return s.Run(
                                  [&](Twavefile& d) { return reverse ? d.Reverse() : d.Invert(); });
                            }});
    } else if (option == "--undo" || option == "--redo") {
      plan.steps.push_back({std::string(option.substr(2)), HistoryStep(option == "--undo")});
    } else if (option == "--clip" && takesValue()) {
      plan.steps.push_back({"clip", ClipInStep(value)});
    } else if (option == "--clip-out" && takesValue()) {
      plan.clipOutput = value;
    } else if (option == "--time") {
      plan.timed = true;
    } else if (option == "-o" && takesValue()) {
      plan.output = value;
    } else {
      return std::nullopt;
    }
  }
  return plan;
}

}  // namespace

int RunEditCommand(int argc, const char* const* argv) {
  std::optional<TEditPlan> plan = ParseEditArguments(argc, argv);
  if (!plan) return kExitUsage;
  TCliSession session;
  auto timed = [&](const std::string& name, const std::function<bool()>& run) {
    auto start = std::chrono::steady_clock::now();
    bool ok = run();
    std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    if (plan->timed) std::fprintf(stderr, "time: %s %.3f\n", name.c_str(), seconds.count());
    return ok;
  };
  if (!timed("open", [&] { return session.Open(plan->input); })) return kExitFailed;
  for (const TStep& step : plan->steps)
    if (!timed(step.name, [&] { return step.run(session); })) return kExitFailed;
  if (plan->clipOutput && !WriteClipboard(session, *plan->clipOutput)) return kExitFailed;
  if (plan->output && !WriteDocument(session, *plan->output)) return kExitFailed;
  return 0;
}

}  // namespace quillon
