#include "diagnostics/crashfile.h"

#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

#include "diagnostics/crashreport.h"
#include "platform/config.h"
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

}  // namespace

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
