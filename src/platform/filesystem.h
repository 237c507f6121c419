#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillon {

// Bytes available to this user on the volume holding path; none when the system cannot tell.
std::optional<uint64_t> FreeDiskSpace(const std::string& path);

bool FileExists(const std::string& path);

// Deletes the file when it exists; false only when it exists and could not be deleted.
bool DeleteFileIfExists(const std::string& path);

// The size of the file, or none when it cannot be read.
std::optional<uint64_t> FileSize(const std::string& path);

}  // namespace quillon
