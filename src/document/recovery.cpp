#include "document/recovery.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "localization/constants.h"
#include "platform/config.h"
#include "platform/diskflush.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/runfiles.h"
#include "platform/tempfile.h"

namespace quillon {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kJournalExtension = ".journal";

// The run id a journal's file name gives; empty for any other file.
std::string RunIdOfJournal(const fs::path& path) {
  const std::string name = path.filename().string();
  if (!name.ends_with(kJournalExtension)) return {};
  std::string id = name.substr(0, name.size() - kJournalExtension.size());
  return IsRunId(id) ? id : std::string();
}

std::time_t WrittenAt(const fs::path& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_mtime : 0;
}

bool HasSomethingToRecover(const TJournalState& state) {
  return state.modified && !state.current.empty() && FileExists(state.current);
}

// Gives an ended run's stores names of this run, so that they are this run's from then on.
class TFilesMovedOver {
 public:
  explicit TFilesMovedOver(std::string folder) : folder_(std::move(folder)) {}
  // The file's new name; throws EOSError when it cannot be moved.
  std::string Move(const std::string& name) {
    std::string target = MakeTempFileNameIn(folder_);
    if (rename(name.c_str(), target.c_str()) != 0) {
      unlink(target.c_str());
      RaiseLastOSError(name);
    }
    moved_.emplace_back(name, target);
    return target;
  }
  // History entries whose files are gone are left out, with their markers and maps.
  void MoveExisting(const std::vector<std::string>& names,
                    const std::vector<TSharedMarkers>& markers,
                    const std::vector<TSharedSourceMap>& maps, std::vector<std::string>& targets,
                    std::vector<TSharedMarkers>& targetMarkers,
                    std::vector<TSharedSourceMap>& targetMaps) {
    targets.clear();
    targetMarkers.clear();
    targetMaps.clear();
    for (size_t i = 0; i < names.size(); ++i) {
      if (!FileExists(names[i])) continue;
      targets.push_back(Move(names[i]));
      targetMarkers.push_back(i < markers.size() ? markers[i] : NoMarkers());
      targetMaps.push_back(i < maps.size() ? maps[i] : nullptr);
    }
  }
  // Puts every file back under its old name.
  void Undo() {
    for (const auto& [from, to] : moved_) rename(to.c_str(), from.c_str());
  }

 private:
  std::string folder_;
  std::vector<std::pair<std::string, std::string>> moved_;
};

// Replacement files that ended runs left in the folders they saved to. A folder that is also the
// temporary folder of a journal still waiting for an answer keeps that run's files.
void SweepEndedSaveFolders(const std::string& journals) {
  SweepRecordedFolders(journals, [&](const std::string& id, const std::string& folder) {
    auto state = ReadJournalFile(journals + JournalFileName(id));
    return state && FolderWithSlash(state->tempFolder) == folder;
  });
}

// Why AdoptRun refused: another instance holds the run, or the lock cannot be made in its folder.
std::string WhyNotAdopted(const std::string& folder, const std::string& runId) {
  if (RunIsAlive(folder, runId)) return ConstantText("recoverytaken");
  const int code = access(folder.c_str(), W_OK) == 0 ? EACCES : errno;
  return EOSError(code, folder).what();
}

}  // namespace

std::vector<TRecoverableRun> FindRecoverableRuns(const std::string& journalFolder) {
  std::vector<TRecoverableRun> runs;
  std::error_code error;
  fs::directory_iterator it(journalFolder, error), end;
  for (; !error && it != end; it.increment(error)) {
    const std::string id = RunIdOfJournal(it->path());
    if (id.empty() || id == RunId()) continue;
    auto state = ReadJournalFile(it->path().string());
    // A journal that doesn't read is left alone: its run may still be going on.
    if (!state || state->runId != id || RunIsAlive(state->tempFolder, id)) continue;
    TRecoverableRun run{it->path().string(), *state, WrittenAt(it->path())};
    if (HasSomethingToRecover(*state))
      runs.push_back(std::move(run));
    else
      DiscardRecoverableRun(run);
  }
  std::sort(runs.begin(), runs.end(),
            [](const auto& a, const auto& b) { return a.written > b.written; });
  return runs;
}

bool AdoptRecoverableRun(const TRecoverableRun& run, TJournalState& adopted, std::string* why) {
  const std::string& folder = run.state.tempFolder;
  if (!AdoptRun(folder, run.state.runId)) {
    if (why) *why = WhyNotAdopted(folder, run.state.runId);
    return false;
  }
  TFilesMovedOver moved(folder);
  try {
    adopted = run.state;
    adopted.runId = RunId();
    adopted.current = moved.Move(run.state.current);
    const TJournalSourceMaps& maps = run.state.sourceMaps;
    moved.MoveExisting(run.state.undo, run.state.undoMarkers, maps.undo, adopted.undo,
                       adopted.undoMarkers, adopted.sourceMaps.undo);
    moved.MoveExisting(run.state.redo, run.state.redoMarkers, maps.redo, adopted.redo,
                       adopted.redoMarkers, adopted.sourceMaps.redo);
    // A cover whose file is gone is left out, like a history entry.
    adopted.coverFile.clear();
    if (!run.state.coverFile.empty() && FileExists(run.state.coverFile))
      adopted.coverFile = moved.Move(run.state.coverFile);
    else
      adopted.tags.cover.reset();
    // This run's journal names them before the old one goes: one of the two always does, also
    // after a power cut, as the new names are on the disk before the journal that holds them.
    FlushFolder(folder);
    WriteJournalFile(fs::path(run.journalPath).parent_path() / JournalFileName(RunId()), adopted);
  } catch (const std::exception& error) {
    moved.Undo();
    if (why) *why = error.what();
    return false;
  }
  unlink(run.journalPath.c_str());
  ReleaseAdoptedRun(folder, run.state.runId);
  return true;
}

std::string RefusedRecoveryMessage(const TRecoverableRun& run, const std::string& why) {
  return ConstantText("recoveryrefused", "%s", run.state.source) + "\n" + why;
}

void DiscardRecoverableRun(const TRecoverableRun& run) {
  if (!DeleteRunFiles(run.state.tempFolder, run.state.runId)) return;
  unlink(run.journalPath.c_str());
}

void SweepEndedRuns(const std::string& tempFolder, const std::string& journalFolder) {
  std::string journals = journalFolder;
  if (!journals.empty() && journals.back() != '/') journals += '/';
  for (const std::string& id : EndedRuns(tempFolder))
    if (!FileExists(journals + JournalFileName(id))) DeleteRunFiles(tempFolder, id);
  SweepEndedSaveFolders(journals);
}

}  // namespace quillon
