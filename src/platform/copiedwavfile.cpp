#include "platform/copiedwavfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/config.h"
#include "platform/error.h"
#include "platform/filewriter.h"

namespace quillon {

namespace {

// Far more than any session makes; a folder full of them is an error, not a reason to spin.
constexpr int kMaxClipNumber = 100000;

int CreateFreshFile(std::string& path) {
  const std::string folder = FolderWithSlash(config.tempfolder);
  for (int n = 1; n <= kMaxClipNumber; ++n) {
    path = folder + "Quillon clip " + std::to_string(n) + ".wav";
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    if (errno != EEXIST) RaiseLastOSError(path);
  }
  errno = EEXIST;
  RaiseLastOSError(folder);
}

}  // namespace

std::string WriteClipFile(const uint8_t* bytes, size_t size) {
  return WriteClipFile([bytes, size](TFileWriter& writer) { writer.Write(bytes, size); });
}

std::string WriteClipFile(const std::function<void(TFileWriter&)>& content) {
  std::string path;
  close(CreateFreshFile(path));
  try {
    TFileWriter writer(path);
    content(writer);
    writer.Close();
  } catch (...) {
    unlink(path.c_str());
    throw;
  }
  return path;
}

}  // namespace quillon
