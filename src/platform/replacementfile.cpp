#include "platform/replacementfile.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "platform/error.h"
#include "platform/faults.h"
#include "platform/filesystem.h"
#include "platform/tempfile.h"

namespace quillon {

namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

[[noreturn]] void CannotCreateIn(const std::string& folder, int code) {
  throw Exception("Cannot create a file in " + folder + ": " + std::strerror(code));
}

mode_t NewFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

TReplacementFile::TReplacementFile(const std::string& target)
    : target_(target), folder_(FolderOf(target)) {
  try {
    CheckFault(TFault::Create);
  } catch (const EOSError& error) {
    CannotCreateIn(folder_, error.Code());
  }
  // Named and locked as a file of this run, so that a crash mid-save leaves nothing that the
  // next start cannot tell from the user's own files and remove.
  try {
    path_ = MakeRecordedTempFileNameIn(folder_);
  } catch (const EOSError& error) {
    CannotCreateIn(folder_, error.Code());
  }
}

TReplacementFile::~TReplacementFile() {
  if (!committed_) DeleteFileIfExists(path_);
}

void TReplacementFile::Commit() {
  struct stat existing {};
  mode_t mode = stat(target_.c_str(), &existing) == 0 ? existing.st_mode & 07777 : NewFileMode();
  if (chmod(path_.c_str(), mode) != 0) RaiseLastOSError(path_);
  // The rename fails on the target (a folder of that name, a read-only place): name it.
  if (std::rename(path_.c_str(), target_.c_str()) != 0) RaiseLastOSError(target_);
  committed_ = true;
}

}  // namespace quillon
