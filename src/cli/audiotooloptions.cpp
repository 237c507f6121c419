#include "cli/audiotooloptions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/loudnessgain.h"
#include "analysis/silenceedits.h"
#include "document/wavfile.h"
#include "localization/constants.h"

namespace quillon {

namespace {

std::optional<double> ParseDecimal(std::string_view text) {
  if (text.empty() || text.size() > 32) return std::nullopt;
  const std::string copy(text);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::vector<std::string_view> Fields(std::string_view text) {
  std::vector<std::string_view> fields;
  for (size_t colon; (colon = text.find(':')) != std::string_view::npos;) {
    fields.push_back(text.substr(0, colon));
    text.remove_prefix(colon + 1);
  }
  fields.push_back(text);
  return fields;
}

bool ThresholdFits(double db) {
  return db < 0 && db >= -120;
}

std::nullopt_t Refuse(std::string_view option, const char* value, const char* wanted) {
  std::fprintf(stderr, "quillon-cli: %.*s takes %s%s%s%s\n", static_cast<int>(option.size()),
               option.data(), wanted, value ? ", not \"" : ".", value ? value : "",
               value ? "\"." : "");
  return std::nullopt;
}

TToolRequest RemoveSpansRequest(TSpanPlanner planner) {
  return [planner](Twavefile& d) { return d.RemoveSpans(planner, ConstantText("nosilencefound")); };
}

std::optional<TToolRequest> TrimSilence(std::string_view option, const char* value,
                                        bool& usedValue) {
  TSilenceSettings settings;
  // The level is optional: a following number below zero is it, anything else is not.
  if (const auto db = value ? ParseDecimal(value) : std::nullopt; db && *db < 0) {
    usedValue = true;
    if (!ThresholdFits(*db)) return Refuse(option, value, "a level in dBFS from -120 to below 0");
    settings.thresholdDb = *db;
  }
  return RemoveSpansRequest(TrimEndsPlanner(settings));
}

std::optional<TToolRequest> ShortenSilences(std::string_view option, const char* value) {
  const std::vector<std::string_view> fields = Fields(value ? value : "");
  std::optional<double> db, min, keep;
  if (fields.size() == 3) {
    db = ParseDecimal(fields[0]);
    min = ParseDecimal(fields[1]);
    keep = ParseDecimal(fields[2]);
  }
  if (!db || !min || !keep || !ThresholdFits(*db) || *min <= 0 || *keep < 0 || *keep >= *min)
    return Refuse(option, value, "DB:MINSECONDS:KEEPSECONDS, a level below 0 dBFS and two lengths");
  return RemoveSpansRequest(ShortenSilencesPlanner({*db, *min, *keep}));
}

std::optional<TToolRequest> NormalizeLoudness(std::string_view option, const char* value,
                                              const TEffectScope& scope) {
  const std::vector<std::string_view> fields = Fields(value ? value : "");
  TLoudnessTarget target;
  const auto lufs = fields.size() <= 2 ? ParseDecimal(fields[0]) : std::nullopt;
  const auto ceiling = fields.size() == 2 ? ParseDecimal(fields[1]) : std::optional<double>(-1);
  if (!lufs || !ceiling)
    return Refuse(option, value, "LUFS[:CEILING], a target and a ceiling in dBTP");
  target = {*lufs, *ceiling};
  if (const auto refusal = TargetRefusal(target)) {
    std::fprintf(stderr, "quillon-cli: %s\n", refusal->c_str());
    return std::nullopt;
  }
  return [target, scope](Twavefile& d) {
    return scope.ApplyGain(d, LoudnessGainPlanner(target, scope.span));
  };
}

std::optional<TToolRequest> ToMono(const char* value, bool& usedValue) {
  const std::string_view mix = value ? value : "";
  TMonoMix chosen = TMonoMix::Average;
  usedValue = mix == "average" || mix == "left" || mix == "right";
  if (mix == "left") chosen = TMonoMix::Left;
  if (mix == "right") chosen = TMonoMix::Right;
  return [chosen](Twavefile& d) {
    if (d.Channels() < 2) {
      std::fputs("quillon-cli: the document has one channel already.\n", stderr);
      return false;
    }
    return d.ToMono(chosen);
  };
}

std::optional<TToolRequest> ChannelRequest(bool stereo) {
  return [stereo](Twavefile& d) {
    const bool fits = stereo ? d.Channels() == 1 : d.Channels() == 2;
    if (!fits) {
      std::fputs(stereo ? "quillon-cli: --stereo takes a document of one channel.\n"
                        : "quillon-cli: --swap-channels takes a document of two channels.\n",
                 stderr);
      return false;
    }
    return stereo ? d.ToStereo() : d.SwapChannels();
  };
}

std::optional<TToolRequest> ChangeRate(std::string_view option, const char* value) {
  const auto rate = value ? ParseDecimal(value) : std::nullopt;
  if (!rate || *rate != std::floor(*rate) || *rate < kMinSampleRate || *rate > kMaxSampleRate)
    return Refuse(option, value, "a rate in Hz from 8000 to 192000");
  return [hz = static_cast<uint32_t>(*rate)](Twavefile& d) {
    if (d.SampleRate() == hz) {
      std::fprintf(stderr, "quillon-cli: the document is at %u Hz already.\n", hz);
      return false;
    }
    return d.ChangeSampleRate(hz);
  };
}

}  // namespace

bool ParseAudioToolOption(std::string_view option, const char* value,
                          std::optional<TToolRequest>& result, bool& usedValue,
                          const TEffectScope& scope) {
  usedValue = false;
  if (option == "--trim-silence") {
    result = TrimSilence(option, value, usedValue);
  } else if (option == "--shorten-silences") {
    usedValue = value != nullptr;
    result = ShortenSilences(option, value);
  } else if (option == "--loudness") {
    usedValue = value != nullptr;
    result = NormalizeLoudness(option, value, scope);
  } else if (option == "--mono") {
    result = ToMono(value, usedValue);
  } else if (option == "--rate") {
    usedValue = value != nullptr;
    result = ChangeRate(option, value);
  } else if (option == "--stereo" || option == "--swap-channels") {
    result = ChannelRequest(option == "--stereo");
  } else {
    return false;
  }
  return true;
}

}  // namespace quillon
