#pragma once

#include <cstddef>
#include <string>

namespace quillon {

// crash-<pid>.txt: one file per crashed process, so that two crashes before the next start both
// get sent.
inline constexpr const char* kCrashFilePrefix = "crash-";
inline constexpr const char* kCrashFileSuffix = ".txt";

// Puts text in the crash file at path as every replaced file is put (written to path + ".part",
// flushed, renamed over path, its folder flushed), so that a report survives a power cut too. No
// allocation and no lock: the crash handler calls it. False when a step failed; path is then as
// it was.
bool WriteCrashFile(const char* path, const char* text, std::size_t length);

// The folder crash files go to; the installed one, else the default.
std::string CurrentCrashFolder();
void SetCurrentCrashFolder(const std::string& folder);

// The report as sent: the crash file's text without the local-only function names (a tab up to
// the end of its line).
std::string WithoutLocalSymbols(const std::string& fileText);

}  // namespace quillon
