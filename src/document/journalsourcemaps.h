// journalsourcemaps: the recovery journal's record of which frames of each state are still the
// MP3 source's, so that a recovered document saves its unchanged frames as a document just
// opened from that MP3 would.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mp3frames/sourceidentity.h"
#include "mp3frames/sourcemap.h"

namespace quillon {

// The source the maps are of, and one map a state in the order of the history's names (none for
// a state whose frames are all changed). Written down, the maps hold spans only: the source is
// indexed again when the document is recovered.
struct TJournalSourceMaps {
  std::optional<TSourceIdentity> source;
  TSharedSourceMap current;
  std::vector<TSharedSourceMap> undo;
  std::vector<TSharedSourceMap> redo;
};

// The maps of a document's current state and of its stacks; none when no state maps a frame.
TJournalSourceMaps JournalMapsOf(const TSharedSourceMap& current,
                                 const std::vector<TSharedSourceMap>& undo,
                                 const std::vector<TSharedSourceMap>& redo);

// The "mp3source" line of the maps' source, and the "mp3span" lines of one state's map.
void AppendSourceLine(std::string& text, const TJournalSourceMaps& maps);
void AppendSpanLines(std::string& text, const TSharedSourceMap& map);

// Reads the lines above into maps, each span line into the state whose name came last.
class TSpanLines {
 public:
  explicit TSpanLines(TJournalSourceMaps& maps) : maps_(maps) {}
  // A state line was read ("undo", "current" or "redo"): the span lines after it are its own;
  // count is how many names its list now has.
  void StartState(std::string_view key, size_t count);
  // Applies a source or span line; false for any other line. A malformed one costs the maps,
  // never the journal: the document is still recovered, and saves by encoding.
  bool Apply(std::string_view key, std::string_view value);
  // The last state's spans put in place; every map dropped when the lines did not make maps.
  void Finish();

 private:
  void FlushSpans();

  TJournalSourceMaps& maps_;
  // The state the pending spans are of: its list (none before the first state line) and place.
  std::string list_;
  size_t index_ = 0;
  std::vector<TSourceSpan> pending_;
  bool valid_ = true;
};

// The recorded maps bound to their source indexed again on the worker, when it is still the same
// file and the spans lie in it (the current one also in its currentFrames); otherwise none at all,
// and the document saves by encoding.
TJournalSourceMaps BindJournalMaps(const TJournalSourceMaps& recorded, uint64_t currentFrames);

}  // namespace quillon
