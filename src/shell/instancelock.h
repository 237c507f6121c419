#pragma once

#include <string>

namespace quillon {

inline constexpr const char* kInstanceMarkerName = "QUILLON";

// Where the marker lives: $XDG_RUNTIME_DIR when set, else the system's temporary folder.
std::string InstanceMarkerFolder();

// The marker every running editor holds for its lifetime. It never stops a start: when the
// marker is held elsewhere or cannot be made at all, the program simply runs on; it only tells
// whether another instance was running.
class TInstanceLock {
 public:
  explicit TInstanceLock(const std::string& folder = InstanceMarkerFolder());
  ~TInstanceLock();
  TInstanceLock(const TInstanceLock&) = delete;
  TInstanceLock& operator=(const TInstanceLock&) = delete;

  // True when this instance holds the marker.
  bool Held() const { return fd_ >= 0; }
  // True when another holder had the marker at construction.
  bool AnotherInstance() const { return another_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
  bool another_ = false;
};

}  // namespace quillon
