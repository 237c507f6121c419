#include "cli/playcommand.h"

#include <charconv>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "cli/session.h"
#include "platform/messagebox.h"
#include "playback/playunit.h"

namespace quillon {

const char* const kPlayUsage =
    "       quillon-cli play FILE [--from FRAME] [--frames N]\n"
    "         plays N frames (default: to the end) from FRAME on (default 0) and prints the\n"
    "         reported positions\n";

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct TPlayArguments {
  std::string file;
  int64_t from = 0;
  std::optional<int64_t> frames;
};

std::optional<int64_t> ParseCount(std::string_view text) {
  int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

// Names the argument at fault before the usage follows.
std::nullopt_t Bad(const std::string& text) {
  std::fprintf(stderr, "quillon-cli: %s\n", text.c_str());
  return std::nullopt;
}

std::optional<TPlayArguments> ParseArguments(int argc, const char* const* argv) {
  if (argc < 1) return Bad("play: the file to play is missing");
  TPlayArguments arguments;
  arguments.file = argv[0];
  for (int i = 1; i < argc; i += 2) {
    std::string_view option = argv[i];
    if (option != "--from" && option != "--frames")
      return Bad("unknown option \"" + std::string(option) + "\"");
    if (i + 1 >= argc) return Bad(std::string(option) + " takes a frame count, which is missing.");
    std::optional<int64_t> value = ParseCount(argv[i + 1]);
    if (!value)
      return Bad(std::string(option) +
                 " takes a frame count (a whole number of 0 or more), not \"" + argv[i + 1] +
                 "\".");
    (option == "--from" ? arguments.from : arguments.frames.emplace()) = *value;
  }
  return arguments;
}

TWaveFormatEx DocumentFormat(const Twavefile& document) {
  uint16_t channels = document.Channels();
  uint32_t rate = document.SampleRate();
  uint16_t align = static_cast<uint16_t>(channels * 2);
  return {WAVE_FORMAT_PCM, channels, rate, rate * align, align, 16, 0};
}

}  // namespace

int RunPlayCommand(int argc, const char* const* argv) {
  std::optional<TPlayArguments> arguments = ParseArguments(argc, argv);
  if (!arguments) return kExitUsage;
  TCliSession session;
  if (!session.Open(arguments->file)) return kExitFailed;
  Twavefile& document = session.Document();
  int64_t total = document.FrameCount();
  int64_t frames = arguments->frames.value_or(total - std::min(arguments->from, total));
  if (arguments->from > total || frames > total - arguments->from) {
    std::fprintf(stderr, "quillon-cli: the range to play lies outside the %" PRId64 " frames\n",
                 total);
    return kExitFailed;
  }
  session.ForgetMessages();
  std::unique_ptr<TPlayer> player = CreatePlayer();
  if (!player) return kExitFailed;  // the sound output has told why
  bool started = false;
  bool stopped = false;
  player->OnProcess = [&](int64_t frame) {
    std::printf("position %" PRId64 "\n", frame + arguments->from);
    std::fflush(stdout);
  };
  player->OnStatus = [&](bool playing) {
    started = started || playing;
    stopped = !playing;
  };
  player->SetVolume(DSBVOLUME_MAX);
  try {
    player->Prepare(&document, DocumentFormat(document), arguments->from, frames);
    player->Start();
  } catch (const std::exception& error) {
    // Through the session's messages, which turn the sound output's line breaks into newlines.
    MessageBoxes().ShowException(error.what());
    return kExitFailed;
  }
  if (!started) {
    std::fprintf(stderr, "quillon-cli: playback did not start\n");
    return kExitFailed;
  }
  session.Loop().RunUntil([&] { return stopped; }, std::chrono::hours(24));
  if (player->StarvedFrames() > 0)
    std::fprintf(stderr,
                 "quillon-cli: %" PRId64 " frames played as silence: the reads fell behind\n",
                 player->StarvedFrames());
  // A failure while playing has been shown as a message.
  return session.MessageShown() ? kExitFailed : 0;
}

}  // namespace quillon
