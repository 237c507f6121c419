#include "platform/error.h"

#include <cerrno>
#include <cstring>

namespace quillon {

namespace {
// "path: reason", as the system's own tools say it.
std::string OSErrorText(int code, const std::string& path) {
  return "System Error. Code: " + std::to_string(code) + ".\n" + (path.empty() ? "" : path + ": ") +
         std::strerror(code);
}
}  // namespace

EOSError::EOSError(int code, const std::string& path)
    : Exception(OSErrorText(code, path)), code_(code), path_(path) {}

void RaiseLastOSError(const std::string& path) {
  throw EOSError(errno, path);
}

}  // namespace quillon
