#pragma once

#include <QSettings>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace quillon {

inline constexpr size_t kMaxRecentFiles = 10;
// The list's place in the settings: values "file1" (the newest) to "file10" in this group.
inline constexpr const char* kRecentFilesGroup = "RecentFiles";

// The files last opened or saved, newest first, each once, at most kMaxRecentFiles. Names are
// kept absolute, so that a file named relatively on the command line is the same entry.
class TRecentFiles {
 public:
  const std::vector<std::string>& Files() const { return files_; }
  bool Empty() const { return files_.empty(); }

  // Puts path first, removing an earlier entry of it and the oldest beyond the limit.
  void Add(const std::string& path);
  // Removes the files that exists() no longer finds; whether any went.
  bool Prune(const std::function<bool(const std::string&)>& exists);
  void Clear() { files_.clear(); }

  // Replaces the list by the stored one; values that are missing, empty or repeated are
  // skipped, so a damaged store gives a shorter list, never an error.
  void Load(QSettings& store);
  // Writes the list in place of the stored one.
  void Save(QSettings& store) const;

 private:
  std::vector<std::string> files_;
};

// Whether a local file of that name exists now.
bool RecentFileExists(const std::string& path);

}  // namespace quillon
