#include "diagnostics/crashfile.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

#include "diagnostics/crashreport.h"
#include "platform/config.h"
#include "platform/diskflush.h"
#include "platform/eventreport.h"

namespace quillon {

namespace {

// A report is a message and at most 64 frames; anything longer is not read past this.
constexpr std::size_t kMaxReportBytes = 128 * 1024;

std::mutex folderMutex;
std::string installedFolder;

bool IsCrashFileName(const std::string& name) {
  const std::string prefix = kCrashFilePrefix;
  const std::string suffix = kCrashFileSuffix;
  return name.size() > prefix.size() + suffix.size() && name.starts_with(prefix) &&
         name.ends_with(suffix);
}

bool ReadReport(const std::filesystem::path& path, std::string& text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  text.assign(kMaxReportBytes, '\0');
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(file.gcount()));
  return !file.bad();
}

bool WriteAll(int fd, const char* text, std::size_t length) {
  while (length > 0) {
    const ssize_t step = write(fd, text, length);
    if (step < 0 && errno == EINTR) continue;
    if (step <= 0) return false;
    text += step;
    length -= static_cast<std::size_t>(step);
  }
  return true;
}

}  // namespace

bool WriteCrashFile(const char* path, const char* text, std::size_t length) {
  constexpr char kPartSuffix[] = ".part";
  char partial[PATH_MAX + sizeof kPartSuffix];
  const std::size_t pathLength = std::strlen(path);
  if (pathLength >= PATH_MAX) return false;
  std::memcpy(partial, path, pathLength);
  std::memcpy(partial + pathLength, kPartSuffix, sizeof kPartSuffix);
  const int fd = open(partial, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool written = WriteAll(fd, text, length) && FlushDescriptor(fd, partial) == 0;
  written = close(fd) == 0 && written;
  if (!written || RenameOver(partial, path) != 0) {
    unlink(partial);
    return false;
  }
  return FlushFolderOf(path) == 0;
}

std::string DefaultCrashFolder() {
  return UserDataFolder();
}

std::string CurrentCrashFolder() {
  std::lock_guard lock(folderMutex);
  return installedFolder.empty() ? DefaultCrashFolder() : installedFolder;
}

void SetCurrentCrashFolder(const std::string& folder) {
  std::lock_guard lock(folderMutex);
  installedFolder = folder;
}

std::string WithoutLocalSymbols(const std::string& fileText) {
  std::string sent;
  sent.reserve(fileText.size());
  bool skipping = false;
  for (const char c : fileText) {
    if (c == '\t') skipping = true;
    if (c == '\r' || c == '\n') skipping = false;
    if (!skipping) sent += c;
  }
  return sent;
}

namespace {

std::vector<std::filesystem::path> PendingCrashFiles(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  std::filesystem::directory_iterator entry(folder, error);
  for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error))
    if (entry->is_regular_file(error) && IsCrashFileName(entry->path().filename().string()))
      files.push_back(entry->path());
  return files;
}

}  // namespace

int SendPendingCrashReports(const std::string& folder) {
  int handedOver = 0;
  for (const auto& path : PendingCrashFiles(folder.empty() ? CurrentCrashFolder() : folder)) {
    std::string text;
    if (!ReadReport(path, text)) continue;
    std::error_code ignored;
    // An empty file is what a crash leaves that could not even write its report.
    if (text.empty()) {
      std::filesystem::remove(path, ignored);
      continue;
    }
    // The file goes only once its report has reached the site; until then every start tries.
    if (ReportEvent(WithoutLocalSymbols(text), [path] {
          std::error_code ignored;
          std::filesystem::remove(path, ignored);
        }))
      ++handedOver;
  }
  return handedOver;
}

}  // namespace quillon
