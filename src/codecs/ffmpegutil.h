#pragma once

#include <string>

namespace quillon {

// Damaged input and refused formats are reported by our own messages; FFmpeg's log would only
// add noise on the terminal. Safe to call from any thread, any number of times.
void SilenceFFmpegLog();

// FFmpeg's text for one of its error codes.
std::string AvErrorText(int code);

}  // namespace quillon
