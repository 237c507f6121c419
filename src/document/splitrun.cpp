// Splitting the document into files (Export Regions, quillon-cli split): one operation that
// writes each file through the save of its format, so that a part is written as a save of that
// range would be (WAV parts copied from the store in large blocks by the kernel).
#include "document/splitrun.h"

#include <filesystem>

#include "document/operationjob.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/cancel.h"
#include "platform/diskflush.h"
#include "platform/error.h"
#include "platform/mainthread.h"
#include "platform/replacementfile.h"

namespace quillon {

namespace {

// Files written whole before they are flushed and named together.
constexpr size_t kSplitBatchFiles = 64;

std::string FolderOf(const std::vector<TSplitFile>& files) {
  return files.empty() ? std::string()
                       : std::filesystem::path(files.front().path).parent_path().string();
}

}  // namespace

bool Twavefile::Split(std::vector<TSplitFile> files, std::shared_ptr<TSplitProgress> progress) {
  QUILLON_MAIN_THREAD_ONLY();
  if (busy_ || !loaded_ || files.empty()) return false;
  for (const TSplitFile& file : files) {
    if (!CheckRange(file.part.start, file.part.stop)) return false;
    // One format's settings are asked for all of them.
    if (SaveFormatOf(file.path) != SaveFormatOf(files.front().path)) {
      Refuse(ConstantText("unknownsaveformat", "%s", file.path));
      return false;
    }
  }
  TOperationRequest request = MakeRequest(0);
  request.targetFileName = files.front().path;
  if (!ChooseSaveFormat(request)) return false;
  request.splitSave = request.operation;
  request.operation = opSplit;
  if (progress) {
    progress->total = static_cast<int32_t>(files.size());
    progress->file = 0;
  }
  request.splitProgress = std::move(progress);
  request.splitFiles = std::move(files);
  return RunOperation(std::move(request));
}

TOperationResult TOperationJob::Split() {
  const std::vector<TSplitFile>& files = request_.splitFiles;
  const std::string total = std::to_string(files.size()), folder = FolderOf(files);
  // Written whole, not yet under their names; saved counts the files under their names.
  std::vector<std::unique_ptr<TReplacementFile>> written;
  size_t saved = 0;
  // Each file flushed and renamed, then the folder flushed once for all of them: on a journaling
  // file system a flush of the first commits the others' blocks with it.
  auto commitWritten = [&] {
    std::vector<std::unique_ptr<TReplacementFile>> batch = std::move(written);
    written.clear();
    try {
      for (const auto& file : batch) {
        file->CommitLeavingFolder();
        ++saved;
      }
    } catch (...) {
      if (saved > 0) FlushFolder(folder.empty() ? std::string(".") : folder);
      throw;
    }
    FlushFolder(folder.empty() ? std::string(".") : folder);
  };
  try {
    std::error_code error;
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    if (error) throw Exception(ConstantText("splitnofolder", {folder, error.message()}));
    for (const TSplitFile& file : files) {
      if (request_.splitProgress)
        request_.splitProgress->file.store(static_cast<int32_t>(saved + written.size() + 1),
                                           std::memory_order_relaxed);
      CheckCancel();
      // Only what a save reads: the list of files is not copied for each of them.
      TOperationRequest part;
      part.operation = request_.splitSave;
      part.source = request_.source;
      part.tempFolder = request_.tempFolder;
      part.rangeStart = static_cast<uint64_t>(file.part.start);
      part.rangeStop = static_cast<uint64_t>(file.part.stop);
      part.targetFileName = file.path;
      part.mp3Config = request_.mp3Config;
      part.vorbisQuality = request_.vorbisQuality;
      part.opusBitrate = request_.opusBitrate;
      part.tags = file.tags;
      part.markers = request_.markers;
      part.cancel = request_.cancel;
      TOperationJob job(part, progress_);
      job.deferred_ = &written;
      TOperationResult result = job.Dispatch();
      for (std::string& notice : result.notices) result_.notices.push_back(std::move(notice));
      // Bounded, so that a stop or a failure has little to flush and few files wait unnamed.
      if (written.size() >= kSplitBatchFiles) commitWritten();
    }
    commitWritten();
  } catch (const ECancelled&) {
    // The save deleted the file it was writing; the files written whole are kept.
    progress_ = 0;
    result_.outcome = TOperationResult::kCancelled;
    try {
      commitWritten();
    } catch (const std::exception& error) {
      result_.message = TOperationMessage{{}, error.what(), TMessageIcon::Error, true};
    }
    result_.notices.push_back(ConstantText("splitstopped", {std::to_string(saved), total, folder}));
    return result_;
  } catch (const std::exception& error) {
    progress_ = 0;
    result_.outcome = TOperationResult::kReportedFailure;
    result_.message = TOperationMessage{{}, error.what(), TMessageIcon::Error, true};
    try {
      commitWritten();
    } catch (const std::exception&) {
      // The first failure is the one to tell; the count says what was kept.
    }
    result_.notices.push_back(ConstantText("splitfailed", {std::to_string(saved), total, folder}));
    return result_;
  }
  result_.notices.push_back(ConstantText("splitdone", {total, folder}));
  return result_;
}

}  // namespace quillon
