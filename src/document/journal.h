#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/tags.h"
#include "document/journalsourcemaps.h"
#include "document/markers.h"

namespace quillon {

class Twavefile;

// What a later run needs to recover a document: where it came from and every state file of its
// history. Store names are full paths of files in tempFolder belonging to run runId.
struct TJournalState {
  std::string runId;
  std::string tempFolder;
  std::string source;
  std::string current;            // empty: nothing is loaded, and there is no journal to write
  std::vector<std::string> undo;  // bottom to top
  std::vector<std::string> redo;  // bottom to top
  bool modified = false;
  // The document's tags; a cover comes with its type and description only, its picture is in
  // coverFile, a file of the run in tempFolder like the stores.
  TTags tags;
  std::string coverFile;
  // The markers of the current state and of each undo and redo state, in the order of their
  // names. A journal of an older run has none.
  TSharedMarkers markers = NoMarkers();
  std::vector<TSharedMarkers> undoMarkers;
  std::vector<TSharedMarkers> redoMarkers;
  // Which frames of each state are still the MP3 source's; none in a journal of an older run.
  TJournalSourceMaps sourceMaps;
};

// The document's state as a journal records it; current stays empty when nothing is loaded.
// The cover's picture is left out: the journal object writes it to a file of its own.
TJournalState JournalStateOf(const Twavefile& document);

std::string FormatJournal(const TJournalState& state);
// None for anything that is not a whole, well-formed journal whose store names all lie in its
// temporary folder and belong to its run: a journal is never trusted to name other files.
std::optional<TJournalState> ParseJournal(std::string_view text);

// Replaces path with the journal in one step: a reader sees the old or the new one, never a
// part. Throws when it cannot be written.
void WriteJournalFile(const std::string& path, const TJournalState& state);
std::optional<TJournalState> ReadJournalFile(const std::string& path);

// This run's journal in folder, named after the run. Record it on every change of the
// document's state; it is deleted when the journal object ends, which is a clean end.
class TRecoveryJournal {
 public:
  explicit TRecoveryJournal(const std::string& folder);
  ~TRecoveryJournal();
  TRecoveryJournal(const TRecoveryJournal&) = delete;
  TRecoveryJournal& operator=(const TRecoveryJournal&) = delete;

  // Writes the document's state, or deletes the journal when nothing is loaded. A journal that
  // cannot be written costs recovery, not the edit: the user is told once, and editing goes on.
  void Record(const Twavefile& document);
  // The same for a state taken earlier, on any one thread at a time, without telling anyone:
  // the message for the user when the journal could not be written, empty when it was.
  std::string Write(TJournalState state, const std::optional<TCoverPicture>& cover);
  const std::string& Path() const { return path_; }

 private:
  // Writes the cover to a file of the run when it changed, and names it in state.
  void RecordCover(const std::optional<TCoverPicture>& cover, TJournalState& state);
  void DeleteCover();

  std::string path_;
  bool failureShown_ = false;
  std::string coverPath_;
  size_t coverHash_ = 0;
};

// The journal file name of a run.
std::string JournalFileName(const std::string& runId);

}  // namespace quillon
