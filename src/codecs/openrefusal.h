// Why a file that the decoder refused cannot be opened, in words the user can act on.
#pragma once

#include <string>

namespace quillon {

// Looks at path again, step by step as the decoder opens it, and says where it stops: the
// system's or FFmpeg's own text ("Is a directory", "Invalid data found when processing input"),
// no audio stream, or no decoder for the stream's codec (named). Empty when every step passes,
// so that the caller keeps its general message alone.
std::string OpenRefusalReason(const std::string& path);

}  // namespace quillon
