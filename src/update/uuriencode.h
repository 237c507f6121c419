#pragma once

#include <string>

namespace quillon {

// Percent-encodes UTF-8 text for a query string: every byte outside A-Z a-z 0-9 - . _ ~ becomes
// "%" and two upper-case hexadecimal digits.
std::string URIEncode(const std::string& text);

}  // namespace quillon
