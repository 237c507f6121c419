#pragma once

#include <string>

namespace quillon {

// The prefix of every temporary file the program makes.
inline constexpr const char* kTempFilePrefix = "~ql";

// Creates a new, unique, empty file in config.tempfolder whose name starts with "~ql" and the
// run's id (see runfiles.h), under the run's lock, and returns its path. Throws EOSError when
// the folder cannot hold one.
std::string MakeTempFileName();
// The same in folder.
std::string MakeTempFileNameIn(std::string folder);
// The same in a folder outside the temporary folder, which the run's record notes (see
// HoldRecordedRunLock).
std::string MakeRecordedTempFileNameIn(std::string folder);

}  // namespace quillon
