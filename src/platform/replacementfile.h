#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace quillon {

// A new file that takes a target's place only when it is complete. It is made in the target's
// own folder (so that the final rename is atomic and the free space that counts is the target
// volume's); until Commit, the target stays as it was, and an uncommitted file is deleted.
class TReplacementFile {
 public:
  // Throws an Exception naming the folder when it cannot hold a new file.
  explicit TReplacementFile(const std::string& target);
  ~TReplacementFile();
  TReplacementFile(const TReplacementFile&) = delete;
  TReplacementFile& operator=(const TReplacementFile&) = delete;

  // Where to write the new contents.
  const std::string& Path() const { return path_; }
  // The folder of the target, ending with '/'.
  const std::string& Folder() const { return folder_; }
  // Gives the file the target's permissions (or NewFileMode for a new target), flushes it to the
  // disk, renames it over the target and flushes the folder (see diskflush.h). Throws EOSError
  // on failure: before the rename the target stays as it was; a folder that cannot be flushed
  // fails the commit although the target already holds the new file.
  void Commit();
  // The same without the folder's flush, for a batch of files in one folder: the caller flushes
  // the folder once after the last of them, and only then calls them saved.
  void CommitLeavingFolder();

 private:
  std::string target_;
  std::string folder_;
  std::string path_;
  bool committed_ = false;
};

// The mode of a new file: 0666 less the process's umask, read once before main.
mode_t NewFileMode();

// Replaces target with these bytes through a TReplacementFile; throws as Commit does.
void WriteFileDurably(const std::string& target, const void* data, size_t bytes);

}  // namespace quillon
