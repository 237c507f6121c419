#include "platform/config.h"

#include <cstdlib>

namespace quillon {

TConfig config;

std::string DefaultTempFolder() {
  const char* env = std::getenv("TMPDIR");
  std::string folder = (env && *env) ? env : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace quillon
