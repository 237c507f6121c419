#include "cli/editcommand.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/audiotooloptions.h"
#include "cli/commands.h"
#include "cli/markeroptions.h"
#include "cli/session.h"
#include "cli/tagoptions.h"
#include "codecs/encodersettings.h"
#include "codecs/mp3settings.h"
#include "document/recovery.h"
#include "localization/constants.h"
#include "platform/config.h"
#include "platform/filesystem.h"
#include "platform/replacementfile.h"
#include "platform/runfiles.h"

namespace quillon {

const char* const kEditUsage =
    "       quillon-cli edit IN [OPERATIONS...] [-o OUT.wav]\n"
    "         runs the operations in order (positions in frames, A:B is frames A to B-1):\n"
    "         --insert-silence POS:FRAMES  --delete A:B  --cut A:B  --copy A:B  --paste POS\n"
    "         --fade-in A:B  --fade-out A:B  --normalize PCT (0-100)  --amplify PCT (0-200)\n"
    "         --reverse  --invert  --undo  --redo\n"
    "         --within A:B  the effects after it (normalize, amplify, reverse, invert,\n"
    "         loudness) change frames A to B-1 only; --within all  the whole document again\n"
    "         --trim-silence [DB]  removes what lies below DB dBFS (-50) at both ends, keeping\n"
    "         0.1 s of it  --shorten-silences DB:MINSECONDS:KEEPSECONDS  cuts every silence of\n"
    "         at least MINSECONDS down to KEEPSECONDS  --loudness LUFS[:CEILING]  one gain to\n"
    "         the integrated loudness LUFS, held below CEILING dBTP (-1)  --mono [average|left|\n"
    "         right]  --stereo  --swap-channels  --rate HZ (8000-192000, soxr, dithered)\n"
    "         --clip FILE.wav (put FILE on the clipboard)  --clip-out FILE.wav (write the\n"
    "         clipboard's audio to FILE at the end)  --time (print each step's seconds)\n"
    "         --save-selection A:B OUT  saves frames A to B-1 (format by extension:\n"
    "         .wav, .mp3, .flac, .ogg for Ogg Vorbis, .opus)\n"
    "         -o OUT  saves the whole document as OUT (format by extension likewise)\n"
    "         MP3: --mp3-mode cbr|vbr|abr  --bitrate KBPS (in VBR and ABR the lowest; lowest\n"
    "              offered by default)  --max-bitrate KBPS  --vbr-quality 0-9  --abr KBPS  --crc\n"
    "              --reencode (encode everything, even the frames an MP3 source still has)\n"
    "         Ogg Vorbis: --vorbis-quality -1..10 (5)  Opus: --opus-bitrate 16..256 (96)\n"
    "         tags, set before the operations: --tag KEY=VALUE (title, artist, album,\n"
    "         albumartist, year, track, genre, comment; again for a KEY adds a value; an\n"
    "         empty VALUE removes it)\n"
    "         --cover FILE (a JPEG or PNG picture)  --no-tags (save without any tags)\n"

    "         markers, in order with the operations: --marker FRAME[:NAME]\n"
    "         --region A:B[:NAME]  --markers-from FILE (a label file, .txt, or a CUE sheet,\n"
    "         .cue; its markers are added)  --no-markers (removes them all)\n"
    "         --markers-to FILE  writes the markers at the end (.cue: a CUE sheet, else a\n"
    "         label file of start<TAB>end<TAB>name lines in seconds)\n";

const char* const kRecoverUsage =
    "       quillon-cli recover [--list | --discard | OPERATIONS... [-o OUT]]\n"
    "         takes up the newest document a run left unsaved when it ended without closing,\n"
    "         with its undo history, prints it, then runs the operations as edit does;\n"
    "         --list prints what could be recovered; --discard deletes all of it and every\n"
    "         temporary file that runs which have ended left behind\n";

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

// A malformed command line: says which argument and what is wrong with it; the usage follows.
std::nullopt_t BadArgument(std::string_view option, const char* value, const std::string& wanted) {
  Fail(std::string(option) + " takes " + wanted +
       (value ? std::string(", not \"") + value + "\"." : ", which is missing."));
  return std::nullopt;
}

// --within's value: A:B, or all for the whole document.
bool ParseScope(std::string_view text, TEffectScope& scope) {
  if (text == "all") {
    scope.span.reset();
    return true;
  }
  const auto pair = ParsePair(text);
  if (!pair || pair->first < 0 || pair->first > pair->second) return false;
  scope.span = TFrameSpan{static_cast<uint64_t>(pair->first), static_cast<uint64_t>(pair->second)};
  return true;
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
  try {
    WriteFileDurably(path, block->data(), block->size());
  } catch (const std::exception& error) {
    return Fail(error.what());
  }
  return true;
}

// The MP3 settings of the command line, in kbit/s until the document's rate turns them into the
// dialog's list positions.
struct TMp3Options {
  TMp3Mode mode = TMp3Mode::Cbr;
  std::optional<int64_t> bitrate, maxBitrate, average;
  int qualityPosition = 0;
  bool crc = false;
  // An MP3 opened from an MP3 keeps its unchanged frames unless --reencode.
  bool keepFrames = true;
};

std::string JoinBitrates(const std::vector<int>& offered) {
  std::string list;
  for (int rate : offered) list += (list.empty() ? "" : ", ") + std::to_string(rate);
  return list;
}

// The list position of a bitrate at this sample rate; without one, the dialog's starting
// position for the mode; none (after telling why) when the rate does not offer it.
std::optional<int> PositionOf(std::optional<int64_t> kbps, uint32_t sampleRate, int fallback) {
  if (!kbps) return fallback;
  std::vector<int> offered = OfferedBitrates(sampleRate);
  auto found = std::find(offered.begin(), offered.end(), *kbps);
  if (found != offered.end()) return static_cast<int>(found - offered.begin());
  Fail("A bitrate of " + std::to_string(*kbps) + " kbit/s is not offered at " +
       std::to_string(sampleRate) + " Hz; choose one of " + JoinBitrates(offered) + ".");
  return std::nullopt;
}

std::optional<TMp3Choice> ResolveMp3Choice(const TMp3Options& options, uint32_t sampleRate) {
  auto bitrate =
      PositionOf(options.bitrate, sampleRate, DefaultBitratePosition(options.mode, sampleRate));
  auto maxBitrate = PositionOf(options.maxBitrate, sampleRate, 0);
  auto average = PositionOf(options.average, sampleRate, 0);
  if (!bitrate || !maxBitrate || !average) return std::nullopt;
  // A changed rate is said before the file is written, as the dialog says it.
  if (std::string notice = Mp3RateNotice(sampleRate); !notice.empty())
    std::fprintf(stderr, "quillon-cli: %s\n", notice.c_str());
  return TMp3Choice{options.mode, *bitrate,    *maxBitrate,       options.qualityPosition,
                    *average,     options.crc, options.keepFrames};
}

TStepRun SaveStep(const std::string& path, std::optional<std::pair<int64_t, int64_t>> range) {
  return [=](TCliSession& s) {
    if (!SaveFormatOf(path))
      return Fail("Cannot save " + path +
                  ": the name must end in .wav, .mp3, .flac, .ogg or .opus.");
    return s.Run([&](Twavefile& d) {
      if (range) return d.SaveSelection(path, range->first, range->second);
      return d.SaveAs(path);
    });
  };
}

struct TEditPlan {
  std::string input;
  bool timed = false;
  std::vector<TStep> steps;
  std::optional<std::string> output;
  std::optional<std::string> clipOutput;
  std::optional<std::string> markersOutput;
  TMp3Options mp3;
  int vorbisQuality = kVorbisQualityDefault;
  int opusBitrate = kOpusBitrateDefault;
  TTagEdits tags;
};

// The settings of Ogg Vorbis and Opus; false when the option is neither. A value that is not a
// whole number in the format's range is bad, and said so.
bool ParseEncoderOption(std::string_view option, const char* value, TEditPlan& plan, bool& bad) {
  const bool vorbis = option == "--vorbis-quality";
  if (!vorbis && option != "--opus-bitrate") return false;
  const int min = vorbis ? kVorbisQualityMin : kOpusBitrateMin;
  const int max = vorbis ? kVorbisQualityMax : kOpusBitrateMax;
  std::optional<int64_t> number = value ? ParseNumber(value) : std::nullopt;
  if (!number || *number < min || *number > max) {
    Fail(std::string(option) + " takes a whole number from " + std::to_string(min) + " to " +
         std::to_string(max) + (value ? std::string(", not \"") + value + "\"." : "."));
    bad = true;
    return true;
  }
  (vorbis ? plan.vorbisQuality : plan.opusBitrate) = static_cast<int>(*number);
  return true;
}

// The options that set the MP3 settings; false when the option is not one of them.
bool ParseMp3Option(std::string_view option, const char* value, TMp3Options& mp3, bool& bad) {
  auto number = [&] { return value ? ParseNumber(value) : std::nullopt; };
  auto refuse = [&](const char* wanted) {
    BadArgument(option, value, wanted);
    bad = true;
  };
  if (option == "--crc") {
    mp3.crc = true;
    return true;
  }
  if (option == "--reencode") {
    mp3.keepFrames = false;
    return true;
  }
  if (option == "--mp3-mode") {
    std::string_view mode = value ? value : "";
    if (mode == "cbr")
      mp3.mode = TMp3Mode::Cbr;
    else if (mode == "vbr")
      mp3.mode = TMp3Mode::Vbr;
    else if (mode == "abr")
      mp3.mode = TMp3Mode::Abr;
    else
      refuse("cbr, vbr or abr");
  } else if (option == "--bitrate") {
    mp3.bitrate = number();
  } else if (option == "--max-bitrate") {
    mp3.maxBitrate = number();
  } else if (option == "--abr") {
    mp3.average = number();
  } else if (option == "--vbr-quality") {
    auto position = number();
    if (!position || *position < 0 || *position > 9)
      refuse("a whole number from 0 to 9");
    else
      mp3.qualityPosition = static_cast<int>(*position);
    return true;
  } else {
    return false;
  }
  if (option != "--mp3-mode" && !number()) refuse("a bitrate in kbit/s, a whole number");
  return true;
}

// The options that take a value, and what the value is; anything else is no option of ours.
std::nullopt_t UnknownOrIncomplete(std::string_view option) {
  if (option == "--clip" || option == "--clip-out" || option == "-o" || option == "--markers-to")
    return BadArgument(option, nullptr, "a file name");
  if (option == "--save-selection")
    return BadArgument(option, nullptr, "two frame numbers as A:B, then a file");
  Fail("unknown option \"" + std::string(option) + "\"");
  return std::nullopt;
}

// Builds the plan; none (after naming the argument at fault) when the arguments are malformed.
// withInput: the first argument names the file to open.
std::optional<TEditPlan> ParseEditArguments(int argc, const char* const* argv, bool withInput) {
  if (withInput && argc < 1) {
    Fail("edit: the file to open is missing");
    return std::nullopt;
  }
  TEditPlan plan;
  plan.input = withInput ? argv[0] : "";
  TEffectScope scope;
  using Range = bool (Twavefile::*)(int64_t, int64_t);
  const std::pair<const char*, Range> ranges[] = {
      {"--delete", &Twavefile::Delete},    {"--cut", &Twavefile::Cut},
      {"--copy", &Twavefile::Copy},        {"--fade-in", &Twavefile::FadeIn},
      {"--fade-out", &Twavefile::FadeOut}, {"--insert-silence", &Twavefile::InsertSilence}};
  for (int i = withInput ? 1 : 0; i < argc; ++i) {
    std::string_view option = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    auto takesValue = [&] { return value != nullptr && (++i, true); };
    bool matched = false;
    for (const auto& [name, request] : ranges) {
      if (option != name) continue;
      auto pair = takesValue() ? ParsePair(value) : std::nullopt;
      if (!pair) return BadArgument(option, value, "two frame numbers as A:B");
      plan.steps.push_back({name + 2, RangeStep(request, *pair)});
      matched = true;
    }
    if (matched) continue;
    bool bad = false;
    if (ParseMp3Option(option, value, plan.mp3, bad) ||
        ParseEncoderOption(option, value, plan, bad)) {
      if (bad) return std::nullopt;
      if (option != "--crc" && option != "--reencode") ++i;
      continue;
    }
    std::optional<TToolRequest> tool;
    bool usedValue = false;
    if (ParseAudioToolOption(option, value, tool, usedValue, scope)) {
      if (!tool) return std::nullopt;
      if (usedValue) ++i;
      plan.steps.push_back({std::string(option.substr(2)),
                            [request = *tool](TCliSession& s) { return s.Run(request); }});
      continue;
    }
    if (ParseTagOption(option, value, plan.tags, bad)) {
      if (bad) return std::nullopt;
      if (option != "--no-tags") ++i;
      continue;
    }
    if (auto step = ParseMarkerOption(option, value, bad)) {
      if (bad) return std::nullopt;
      if (MarkerOptionTakesValue(option)) ++i;
      plan.steps.push_back({std::string(option.substr(2)), std::move(*step)});
      continue;
    }
    if (option == "--paste") {
      auto position = takesValue() ? ParseNumber(value) : std::nullopt;
      if (!position) return BadArgument(option, value, "a frame number");
      plan.steps.push_back({"paste", [p = *position](TCliSession& s) {
                              return s.Run([&](Twavefile& d) { return d.Paste(p); });
                            }});
    } else if (option == "--normalize" || option == "--amplify") {
      bool normalize = option == "--normalize";
      auto percent = takesValue() ? ParseNumber(value) : std::nullopt;
      if (!percent || *percent < 0 || *percent > (normalize ? 100 : 200))
        return BadArgument(
            option, value,
            normalize ? "a whole number from 0 to 100" : "a whole number from 0 to 200");
      plan.steps.push_back(
          {std::string(option.substr(2)), [normalize, scope, p = *percent](TCliSession& s) {
             return s.Run([&](Twavefile& d) {
               return normalize ? scope.Normalize(d, static_cast<int32_t>(p))
                                : scope.Amplify(d, static_cast<uint32_t>(p));
             });
           }});
    } else if (option == "--reverse" || option == "--invert") {
      bool reverse = option == "--reverse";
      plan.steps.push_back({std::string(option.substr(2)), [reverse, scope](TCliSession& s) {
                              return s.Run([&](Twavefile& d) {
                                return reverse ? scope.Reverse(d) : scope.Invert(d);
                              });
                            }});
    } else if (option == "--within") {
      if (!takesValue() || !ParseScope(value, scope))
        return BadArgument(option, value, "two frame numbers as A:B, A up to B, or all");
    } else if (option == "--undo" || option == "--redo") {
      plan.steps.push_back({std::string(option.substr(2)), HistoryStep(option == "--undo")});
    } else if (option == "--clip" && takesValue()) {
      plan.steps.push_back({"clip", ClipInStep(value)});
    } else if (option == "--save-selection" && i + 2 < argc) {
      auto range = ParsePair(argv[i + 1]);
      if (!range) return BadArgument(option, argv[i + 1], "two frame numbers as A:B, then a file");
      plan.steps.push_back({"save-selection", SaveStep(argv[i + 2], range)});
      i += 2;
    } else if (option == "--clip-out" && takesValue()) {
      plan.clipOutput = value;
    } else if (option == "--markers-to" && takesValue()) {
      plan.markersOutput = value;
    } else if (option == "--time") {
      plan.timed = true;
    } else if (option == "-o" && takesValue()) {
      plan.output = value;
    } else {
      return UnknownOrIncomplete(option);
    }
  }
  return plan;
}

bool Timed(const TEditPlan& plan, const std::string& name, const std::function<bool()>& run) {
  auto start = std::chrono::steady_clock::now();
  bool ok = run();
  std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  if (plan.timed) std::fprintf(stderr, "time: %s %.3f\n", name.c_str(), seconds.count());
  return ok;
}

// Runs the plan's steps on the loaded document, then its outputs.
int RunPlan(TCliSession& session, const TEditPlan& plan) {
  session.Document().OnAskMp3Settings = [&](uint32_t sampleRate) {
    return ResolveMp3Choice(plan.mp3, sampleRate);
  };
  session.Document().OnAskVorbisQuality = [&] { return std::optional<int>(plan.vorbisQuality); };
  session.Document().OnAskOpusBitrate = [&] { return std::optional<int>(plan.opusBitrate); };
  if (plan.tags.Any()) {
    std::optional<TTags> tags = ApplyTagEdits(plan.tags, session.Document().Tags());
    if (!tags) return kExitFailed;
    session.Document().SetTags(std::move(*tags));
  }
  TSubscriptions framesPrinted;
  if (plan.timed)
    framesPrinted += session.Document().OnMp3FramesKept.Subscribe(
        [](Twavefile*, uint64_t copied, uint64_t encoded, uint64_t joins) {
          std::fprintf(stderr, "frames: %llu copied %llu encoded %llu joins\n",
                       static_cast<unsigned long long>(copied),
                       static_cast<unsigned long long>(encoded),
                       static_cast<unsigned long long>(joins));
        });
  for (const TStep& step : plan.steps)
    if (!Timed(plan, step.name, [&] { return step.run(session); })) return kExitFailed;
  if (plan.clipOutput && !WriteClipboard(session, *plan.clipOutput)) return kExitFailed;
  if (plan.markersOutput &&
      !WriteMarkersTo(session, *plan.markersOutput, plan.output.value_or(plan.input)))
    return kExitFailed;
  if (plan.output &&
      !Timed(plan, "save", [&] { return SaveStep(*plan.output, std::nullopt)(session); }))
    return kExitFailed;
  return 0;
}

void PrintRecoverable(const TRecoverableRun& run, std::FILE* out) {
  std::fprintf(out, "source: %s\n", run.state.source.c_str());
  std::fprintf(out, "undo_steps: %zu\n", run.state.undo.size());
  std::fprintf(out, "redo_steps: %zu\n", run.state.redo.size());
}

}  // namespace

int RunEditCommand(int argc, const char* const* argv) {
  std::optional<TEditPlan> plan = ParseEditArguments(argc, argv, true);
  if (!plan) return kExitUsage;
  TCliSession session;
  session.EnableJournal();
  if (!Timed(*plan, "open", [&] { return session.Open(plan->input); })) return kExitFailed;
  return RunPlan(session, *plan);
}

int RunRecoverCommand(int argc, const char* const* argv) {
  const bool list = argc == 1 && std::string_view(argv[0]) == "--list";
  const bool discard = argc == 1 && std::string_view(argv[0]) == "--discard";
  std::optional<TEditPlan> plan;
  if (!list && !discard && !(plan = ParseEditArguments(argc, argv, false))) return kExitUsage;
  std::vector<TRecoverableRun> runs = FindRecoverableRuns(RecoveryFolder());
  for (const TRecoverableRun& run : runs) {
    if (list) PrintRecoverable(run, stdout);
    if (discard) DiscardRecoverableRun(run);
  }
  if (discard) SweepEndedRuns(config.tempfolder, RecoveryFolder());
  if (list || discard) return 0;
  TCliSession session;
  session.EnableJournal();
  TJournalState state;
  if (runs.empty()) {
    std::fputs("quillon-cli: there is nothing to recover\n", stderr);
    return kExitFailed;
  }
  if (std::string why; !AdoptRecoverableRun(runs.front(), state, &why)) {
    std::fprintf(stderr, "quillon-cli: %s\n", RefusedRecoveryMessage(runs.front(), why).c_str());
    return kExitFailed;
  }
  SweepEndedRuns(config.tempfolder, RecoveryFolder());
  if (!Timed(*plan, "recover", [&] { return session.Recover(state); })) return kExitFailed;
  PrintRecoverable({{}, state, {}}, stdout);
  PrintInfo(session.Document(), stdout);
  std::fflush(stdout);
  return RunPlan(session, *plan);
}

}  // namespace quillon
