#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "document/journal.h"

namespace quillon {

// A journal left by a run that ended without closing its document, whose unsaved state can be
// opened again.
struct TRecoverableRun {
  std::string journalPath;
  TJournalState state;
  std::time_t written = 0;
};

// Journals in journalFolder of runs that have ended, newest first. A journal with nothing
// unsaved, or whose current state file is gone, is settled on the way: its run's files and the
// journal are deleted. Runs still going on are never looked at further.
std::vector<TRecoverableRun> FindRecoverableRuns(const std::string& journalFolder);

// Takes the run's files over for this process: they get this run's names, this run's journal
// in the same folder names them, and the old journal and whatever else the run left go. The
// state comes back with the history entries whose files are gone left out. False when another
// instance took the run over first or the files cannot be moved (they stay as they were); then
// *why, when given, says which, as a message for the user.
bool AdoptRecoverableRun(const TRecoverableRun& run, TJournalState& adopted,
                         std::string* why = nullptr);

// The message that the run's document could not be taken up, and why.
std::string RefusedRecoveryMessage(const TRecoverableRun& run, const std::string& why);

// Deletes the run's files and its journal.
void DiscardRecoverableRun(const TRecoverableRun& run);

// Deletes the files of ended runs in tempFolder, except those of a run whose journal in
// journalFolder still waits for an answer.
void SweepEndedRuns(const std::string& tempFolder, const std::string& journalFolder);

}  // namespace quillon
