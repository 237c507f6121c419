#include "cli/spectrogramcommand.h"

#include <charconv>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "cli/pngwriter.h"
#include "cli/session.h"
#include "spectrum/spectrumcache.h"
#include "spectrum/spectrumpicture.h"

namespace quillon {

const char* const kSpectrogramUsage =
    "       quillon-cli spectrogram IN -o OUT.png [--size WxH] [--window N]\n"
    "                   [--scale linear|log|mel] [--from FRAME --frames N]\n"
    "         draws the spectrogram of IN (every channel a band, highest frequency on top)\n"
    "         into OUT.png: WxH pixels (default 1600x500), a window of N frames, a power of\n"
    "         two from 256 to 8192 (default 2048), a logarithmic frequency axis unless told,\n"
    "         the whole document or N frames from FRAME\n";

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int64_t kMaxWidth = 16384;
constexpr int64_t kMaxHeight = 8192;

int Fail(const std::string& text, int status) {
  std::fprintf(stderr, "quillon-cli: %s\n", text.c_str());
  return status;
}

std::optional<int64_t> Number(std::string_view text) {
  int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

struct TSpectrogramOptions {
  std::string input;
  std::string output;
  int32_t width = 1600;
  int32_t height = 500;
  TSpectrumSettings settings;
  std::optional<int64_t> from;
  std::optional<int64_t> frames;
};

// The options, or the reason they are refused.
std::optional<TSpectrogramOptions> Parse(int argc, const char* const* argv, std::string& error) {
  TSpectrogramOptions options;
  for (int i = 0; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option.empty() || option[0] != '-') {
      if (!options.input.empty()) return error = "spectrogram takes one IN file", std::nullopt;
      options.input = option;
      continue;
    }
    if (option != "-o" && option != "--size" && option != "--window" && option != "--scale" &&
        option != "--from" && option != "--frames")
      return error = "unknown option \"" + std::string(option) + "\"", std::nullopt;
    if (i + 1 == argc)
      return error = std::string(option) + " takes a value, which is missing.", std::nullopt;
    const std::string_view value = argv[++i];
    if (option == "-o") options.output = value;
    if (option == "--size") {
      const size_t x = value.find('x');
      const auto w = x == value.npos ? std::nullopt : Number(value.substr(0, x));
      const auto h = x == value.npos ? std::nullopt : Number(value.substr(x + 1));
      if (!w || !h || *w < 1 || *h < 1 || *w > kMaxWidth || *h > kMaxHeight)
        return error =
                   "--size takes WxH, from 1x1 to 16384x8192, not \"" + std::string(value) + "\".",
               std::nullopt;
      options.width = static_cast<int32_t>(*w);
      options.height = static_cast<int32_t>(*h);
    }
    if (option == "--window") {
      const auto n = Number(value);
      if (!n || !ValidSpectrumWindow(*n))
        return error = "--window takes a power of two from 256 to 8192, not \"" +
                       std::string(value) + "\".",
               std::nullopt;
      options.settings.window = static_cast<int32_t>(*n);
    }
    if (option == "--scale") {
      const auto scale = ParseFrequencyScale(value);
      if (!scale)
        return error = "--scale takes linear, log or mel, not \"" + std::string(value) + "\".",
               std::nullopt;
      options.settings.scale = *scale;
    }
    if (option == "--from" || option == "--frames") {
      const auto n = Number(value);
      if (!n || *n < (option == "--from" ? 0 : 1))
        return error = std::string(option) + " takes a frame count, not \"" + std::string(value) +
                       "\".",
               std::nullopt;
      (option == "--from" ? options.from : options.frames) = *n;
    }
  }
  if (options.input.empty())
    return error = "spectrogram: the file to open is missing", std::nullopt;
  if (options.output.empty()) return error = "spectrogram: -o OUT.png is missing", std::nullopt;
  if (options.from.has_value() != options.frames.has_value())
    return error = "--from and --frames go together", std::nullopt;
  return options;
}

}  // namespace

int RunSpectrogramCommand(int argc, const char* const* argv) {
  std::string error;
  const std::optional<TSpectrogramOptions> options = Parse(argc, argv, error);
  if (!options) return Fail(error, kExitUsage);
  TCliSession session;
  if (!session.Open(options->input)) return kExitFailed;
  const auto state = session.Document().State();
  if (!state || !state->samples || state->frameCount == 0)
    return Fail(options->input + " holds no audio to draw.", kExitFailed);
  int64_t from = options->from.value_or(0);
  int64_t frames = options->frames.value_or(state->frameCount);
  if (from >= state->frameCount)
    return Fail("--from " + std::to_string(from) + " is past the end of " + options->input + " (" +
                    std::to_string(state->frameCount) + " frames).",
                kExitFailed);
  frames = std::min<int64_t>(frames, state->frameCount - from);
  try {
    TSpectrumCache cache({state->samples, state->channels, state->sampleRate, state->frameCount},
                         options->settings.window, options->settings.shape, kSpectrumColumnBudget,
                         0, false);
    const std::vector<uint32_t> pixels =
        RenderSpectrumPicture(cache, options->settings, static_cast<double>(from),
                              static_cast<double>(frames), options->width, options->height);
    if (cache.Failed()) return Fail(cache.FailureText(), kExitFailed);
    WritePng(options->output, pixels, options->width, options->height);
  } catch (const std::exception& failure) {
    return Fail(failure.what(), kExitFailed);
  }
  return 0;
}

}  // namespace quillon
