#include "platform/replacementfile.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string_view>

#include "platform/diskflush.h"
#include "platform/error.h"
#include "platform/faults.h"
#include "platform/filesystem.h"
#include "platform/filewriter.h"
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

// The kernel shows the mask without changing it; umask() can only read it by setting it, which
// would give files that other threads create meanwhile the wrong mode.
mode_t ProcessUmask() {
  std::ifstream status("/proc/self/status");
  constexpr std::string_view kField = "Umask:";
  for (std::string line; std::getline(status, line);)
    if (line.starts_with(kField))
      return static_cast<mode_t>(std::strtoul(line.c_str() + kField.size(), nullptr, 8) & 0777);
  // Only kernels older than 4.7 lack the field; this runs before main, on its thread alone.
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

// Before main, while nothing else runs.
const mode_t newFileMode = 0666 & ~ProcessUmask();

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
  CommitLeavingFolder();
  // Until the folder is on the disk too, a power cut may bring the old file back.
  FlushFolderOf(target_);
}

void TReplacementFile::CommitLeavingFolder() {
  struct stat existing {};
  mode_t mode = stat(target_.c_str(), &existing) == 0 ? existing.st_mode & 07777 : NewFileMode();
  if (chmod(path_.c_str(), mode) != 0) RaiseLastOSError(path_);
  FlushFile(path_);
  // The rename fails on the target (a folder of that name, a read-only place): name it.
  if (int error = RenameOver(path_.c_str(), target_.c_str())) throw EOSError(error, target_);
  committed_ = true;
}

mode_t NewFileMode() {
  return newFileMode;
}

void WriteFileDurably(const std::string& target, const void* data, size_t bytes) {
  TReplacementFile file(target);
  TFileWriter writer(file.Path());
  writer.Write(data, bytes);
  writer.Close();
  file.Commit();
}

}  // namespace quillon
