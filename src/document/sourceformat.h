// How the document names the format of the file it was opened from, in the interface language.
#pragma once

#include <string>

namespace quillon {

// "24-bit", "32-bit float": a resolution of bits a sample.
std::string ResolutionName(int bits, bool isFloat);

}  // namespace quillon
