#pragma once

#include <string>

namespace quillon {

// The program's file version, four numbers joined by "." (the build's project version). True when
// the version is known.
bool GetVersionInfo(std::string& version);

}  // namespace quillon
