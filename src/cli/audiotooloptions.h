#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "document/effectspan.h"

namespace quillon {

class Twavefile;

// The request an option of the audio tools makes of the document.
using TToolRequest = std::function<bool(Twavefile&)>;

// --trim-silence [DB], --shorten-silences DB:MINSECONDS:KEEPSECONDS, --loudness LUFS[:CEILING],
// --mono [average|left|right], --stereo, --swap-channels, --rate HZ.
// Whether option is one of them; then, in result, its request (none after saying what is
// wrong), and in usedValue whether it took value. --loudness works within scope.
bool ParseAudioToolOption(std::string_view option, const char* value,
                          std::optional<TToolRequest>& result, bool& usedValue,
                          const TEffectScope& scope = {});

}  // namespace quillon
