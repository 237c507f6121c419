#pragma once

#include <string>
#include <vector>

namespace quillon {

// Files of selections dragged to other programs. The target may read a file any time after the
// drop (a file manager copies it in the background), so they stay until this goes.
class TDragFiles {
 public:
  TDragFiles() = default;
  TDragFiles(const TDragFiles&) = delete;
  TDragFiles& operator=(const TDragFiles&) = delete;
  ~TDragFiles();
  void Add(std::string path) { paths_.push_back(std::move(path)); }
  const std::vector<std::string>& Paths() const { return paths_; }

 private:
  std::vector<std::string> paths_;
};

}  // namespace quillon
