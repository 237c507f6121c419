#pragma once

#include <string>
#include <vector>

namespace quillon {

// A test seam: the steps that make a file survive a power cut (its flush to the disk, the rename
// over its target, the flush of its folder), in the order they were taken, by any thread.
enum class TFileStep { FlushFile, Rename, FlushFolder };

struct TFileStepRecord {
  TFileStep step;
  std::string path;  // the file flushed or renamed, or the folder flushed
  std::string to;    // a rename's target
};

// Starts a new record; the steps taken from now on are kept until StopRecordingFileSteps.
void StartRecordingFileSteps();
std::vector<TFileStepRecord> StopRecordingFileSteps();

// Notes a step while a record is open. Without one it only reads an atomic flag, so the crash
// handler calls it too.
void NoteFileStep(TFileStep step, const char* path, const char* to = nullptr);

}  // namespace quillon
