#pragma once

#include <optional>
#include <string>

namespace quillon {

// Whether remote is newer than current, both "a.b.c.d": the parts of both, remote's first, are
// read as one list and each version weighs a*1000000 + b*10000 + c*100 + d. False when either
// has no "."; nullopt when the list's first eight entries are not all numbers.
std::optional<bool> IsNewerVersion(const std::string& remote, const std::string& current);

// Exactly four parts of one to nine decimal digits: the only answer a version check trusts.
bool IsWellFormedVersion(const std::string& text);

}  // namespace quillon
