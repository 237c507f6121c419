#pragma once

#include <string>

namespace quillon {

// The one process-wide settings record. Later parts of the program add their fields here.
struct TConfig {
  std::string tempfolder;  // folder of every temporary file; ends with '/'
};

extern TConfig config;

// The system's temporary folder ($TMPDIR, else /tmp), ending with '/'.
std::string DefaultTempFolder();

}  // namespace quillon
