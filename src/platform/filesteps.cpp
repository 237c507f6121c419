#include "platform/filesteps.h"

#include <atomic>
#include <mutex>
#include <utility>

namespace quillon {

namespace {

std::atomic<bool> recording{false};
std::mutex recordMutex;
std::vector<TFileStepRecord> record;

}  // namespace

void StartRecordingFileSteps() {
  std::lock_guard lock(recordMutex);
  record.clear();
  recording = true;
}

std::vector<TFileStepRecord> StopRecordingFileSteps() {
  std::lock_guard lock(recordMutex);
  recording = false;
  return std::exchange(record, {});
}

void NoteFileStep(TFileStep step, const char* path, const char* to) {
  if (!recording.load(std::memory_order_acquire)) return;
  std::lock_guard lock(recordMutex);
  if (recording) record.push_back({step, path, to ? to : ""});
}

}  // namespace quillon
