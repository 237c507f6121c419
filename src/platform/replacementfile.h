#pragma once

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
  // Gives the file the target's permissions (or the usual ones for a new file) and renames it
  // over the target. Throws EOSError on failure, leaving the target as it was.
  void Commit();

 private:
  std::string target_;
  std::string folder_;
  std::string path_;
  bool committed_ = false;
};

}  // namespace quillon
