#include "platform/filesystem.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

namespace quillon {

std::optional<uint64_t> FreeDiskSpace(const std::string& path) {
  struct statvfs info {};
  if (statvfs(path.c_str(), &info) != 0) return std::nullopt;
  return static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

bool DeleteFileIfExists(const std::string& path) {
  if (path.empty()) return true;
  return unlink(path.c_str()) == 0 || errno == ENOENT;
}

std::optional<uint64_t> FileSize(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  return static_cast<uint64_t>(info.st_size);
}

}  // namespace quillon
