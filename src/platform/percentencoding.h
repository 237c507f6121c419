#pragma once

#include <string>
#include <string_view>

namespace quillon {

// Percent-encodes bytes: every byte outside A-Z a-z 0-9 - . _ ~ and the characters of kept
// becomes "%" and two upper-case hexadecimal digits.
std::string PercentEncode(std::string_view text, std::string_view kept = {});

}  // namespace quillon
