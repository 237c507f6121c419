#pragma once

#include <string>

namespace quillon {

// Until they are flushed, a file's contents and the names in its folder live in memory only: a
// power cut can leave a renamed file empty, or the old name in place. Every file the program
// replaces is written, flushed (FlushFile), renamed over its target (RenameOver), and its
// folder flushed (FlushFolderOf), and only then called saved.
//
// These forms allocate nothing and give the error number (0 for success), so that the crash
// handler takes the same steps; each counts as a TFault::Flush or is noted for the file-step
// seam. QUILLON_BENCH_NO_FLUSH in the environment leaves the flushes (and StartFlushing) out,
// for the benchmark that measures what they cost.
int FlushDescriptor(int fd, const char* path);
int FlushPath(const char* path);
int RenameOver(const char* from, const char* to);
// The folder path names, or the folder holding the file path names.
int FlushFolder(const char* folder);
int FlushFolderOf(const char* path);

// Starts writing a file's dirty pages to the disk without waiting for them, so that a flush at
// the end waits for less; failures show in that flush.
void StartFlushing(int fd);

// The same, throwing EOSError naming the file or folder.
void FlushFile(const std::string& path);
void FlushFolderOf(const std::string& path);
void FlushFolder(const std::string& folder);
// For a new file that replaces nothing but that a file written later names: its contents and
// its name.
void MakeDurable(const std::string& path);

}  // namespace quillon
