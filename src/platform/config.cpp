#include "platform/config.h"

#include <cstdlib>
#include <filesystem>

namespace quillon {

TConfig config;

std::string DefaultTempFolder() {
  const char* env = std::getenv("TMPDIR");
  std::string folder = (env && *env) ? env : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string FolderWithSlash(std::string folder) {
  if (folder.empty()) return DefaultTempFolder();
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string UserDataFolder() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome && dataHome[0] == '/') return std::string(dataHome) + "/Quillon";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/share/Quillon";
  return (std::filesystem::temp_directory_path() / "Quillon").string();
}

}  // namespace quillon
