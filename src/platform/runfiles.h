#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quillon {

// Every temporary file of a run (one process) is named "~ql" + run id + "-" + a unique part,
// and every folder holding some also holds the run's lock ".~ql" + run id + ".lock", locked
// for as long as the run goes on. A lock nobody holds marks a run that ended without cleaning
// up; the files of a running instance are never touched by another.

// This process's run id: eight lowercase hex digits, fixed for the process's lifetime.
const std::string& RunId();
// True for an id as RunId() makes them.
bool IsRunId(const std::string& id);
std::string RunFilePrefix(const std::string& runId);
std::string RunLockName(const std::string& runId);
// The run id a file name in a temporary folder belongs to; empty when it belongs to none.
std::string RunIdOfFileName(const std::string& fileName);

// Makes sure this run holds its lock in folder; throws EOSError when it cannot be made.
void HoldRunLock(const std::string& folder);

// The same for a folder outside the temporary folder (where a save puts its replacement file):
// the folder is also noted in the run's record in RecoveryFolder(), so that what the run leaves
// there when it ends without cleaning up can be found again. A record that cannot be written
// costs only that.
void HoldRecordedRunLock(const std::string& folder);

// Deletes what ended runs left in the folders their records in recordFolder name, then the
// records. A folder for which spare(runId, folder) is true keeps its files.
void SweepRecordedFolders(
    const std::string& recordFolder,
    const std::function<bool(const std::string& runId, const std::string& folder)>& spare);

// Takes the lock of an ended run, so that no other instance touches its files while this one
// moves them over; false when that run still goes on or the lock cannot be taken.
bool AdoptRun(const std::string& folder, const std::string& runId);
// Deletes what is left of a run adopted with AdoptRun, then its lock.
void ReleaseAdoptedRun(const std::string& folder, const std::string& runId);

// True when some process, this one included, holds the run's lock in folder.
bool RunIsAlive(const std::string& folder, const std::string& runId);

// The ids of runs with files or a lock in folder whose process has ended.
std::vector<std::string> EndedRuns(const std::string& folder);

// Deletes an ended run's files in folder, then its lock; false (nothing deleted) while the
// run goes on.
bool DeleteRunFiles(const std::string& folder, const std::string& runId);

// At a clean end: deletes what is left of this run's files (and of runs it adopted and did
// not release), in every folder, then their locks.
void ReleaseRunFiles();

// Where journals that let a later run recover a document are kept: UserDataFolder() +
// "/recovery/".
std::string RecoveryFolder();

}  // namespace quillon
