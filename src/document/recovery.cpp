#include "document/recovery.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "platform/filesystem.h"
#include "platform/runfiles.h"

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

std::vector<std::string> ExistingOnly(const std::vector<std::string>& names) {
  std::vector<std::string> kept;
  std::copy_if(names.begin(), names.end(), std::back_inserter(kept), FileExists);
  return kept;
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

bool AdoptRecoverableRun(const TRecoverableRun& run, TJournalState& adopted) {
  if (!AdoptRun(run.state.tempFolder, run.state.runId)) return false;
  adopted = run.state;
  adopted.undo = ExistingOnly(run.state.undo);
  adopted.redo = ExistingOnly(run.state.redo);
  unlink(run.journalPath.c_str());
  return true;
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
}

}  // namespace quillon
