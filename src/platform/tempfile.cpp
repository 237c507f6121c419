#include "platform/tempfile.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/config.h"
#include "platform/error.h"
#include "platform/runfiles.h"

namespace quillon {

namespace {

std::string MakeRunFile(const std::string& folder) {
  std::string pattern = folder + RunFilePrefix(RunId()) + "XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  int fd = mkstemp(buffer.data());
  if (fd < 0) RaiseLastOSError(folder);
  close(fd);
  return std::string(buffer.data());
}

}  // namespace

std::string MakeTempFileName() {
  return MakeTempFileNameIn(config.tempfolder);
}

std::string MakeTempFileNameIn(std::string folder) {
  folder = FolderWithSlash(std::move(folder));
  HoldRunLock(folder);
  return MakeRunFile(folder);
}

std::string MakeRecordedTempFileNameIn(std::string folder) {
  folder = FolderWithSlash(std::move(folder));
  HoldRecordedRunLock(folder);
  return MakeRunFile(folder);
}

}  // namespace quillon
