#include "update/getversion.h"

namespace quillon {

bool GetVersionInfo(std::string& version) {
  version = QUILLON_FILE_VERSION;
  return true;
}

}  // namespace quillon
