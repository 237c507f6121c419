#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "analysis/silenceedits.h"

namespace quillon {

// --trim-silence [DB] and --shorten-silences DB:MINSECONDS:KEEPSECONDS.
struct TSilenceOption {
  bool trimEnds = false;
  TSilenceSettings settings;
};

// Whether option is one of the silence options; then, in result, what it asks for (none after
// saying what is wrong), and in usedValue whether it took value.
bool ParseSilenceOption(std::string_view option, const char* value,
                        std::optional<TSilenceOption>& result, bool& usedValue);

}  // namespace quillon
