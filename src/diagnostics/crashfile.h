#pragma once

#include <string>

namespace quillon {

// crash-<pid>.txt: one file per crashed process, so that two crashes before the next start both
// get sent.
inline constexpr const char* kCrashFilePrefix = "crash-";
inline constexpr const char* kCrashFileSuffix = ".txt";

// The folder crash files go to; the installed one, else the default.
std::string CurrentCrashFolder();
void SetCurrentCrashFolder(const std::string& folder);

// The report as sent: the crash file's text without the local-only function names (a tab up to
// the end of its line).
std::string WithoutLocalSymbols(const std::string& fileText);

}  // namespace quillon
