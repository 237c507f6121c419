#include "platform/error.h"

#include <cerrno>
#include <cstring>

namespace quillon {

namespace {
std::string OSErrorText(int code) {
  return "System Error. Code: " + std::to_string(code) + ".\n" + std::strerror(code);
}
}  // namespace

EOSError::EOSError(int code) : Exception(OSErrorText(code)), code_(code) {}

void RaiseLastOSError() {
  throw EOSError(errno);
}

}  // namespace quillon
