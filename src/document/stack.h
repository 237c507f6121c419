#pragma once

#include <functional>
#include <string>
#include <vector>

#include "document/markers.h"
#include "mp3frames/sourcemap.h"

namespace quillon {

// A stack of temporary file names: the document's undo or redo history. The top is the most
// recent entry. Each entry keeps the markers its state had when it was left. Only DeleteAll
// touches the files themselves.
class TStack {
 public:
  void Push(const std::string& name, TSharedMarkers markers = NoMarkers(),
            TSharedSourceMap sourceMap = nullptr);
  // The top name, removed; the empty string when the stack is empty.
  std::string Pop();
  // The top name, left in place; the empty string when the stack is empty.
  std::string Top() const { return names_.empty() ? std::string() : names_.back(); }
  // The top entry's markers; none when the stack is empty.
  const TSharedMarkers& TopMarkers() const {
    return markers_.empty() ? NoMarkers() : markers_.back();
  }
  // The top entry's map of frames still the MP3 source's; none when the stack is empty.
  TSharedSourceMap TopSourceMap() const {
    return sourceMaps_.empty() ? nullptr : sourceMaps_.back();
  }
  bool IsEmpty() const { return names_.empty(); }
  size_t Count() const { return names_.size(); }
  // The names from the bottom to the top.
  const std::vector<std::string>& Names() const { return names_; }
  // Their markers, in the same order.
  const std::vector<TSharedMarkers>& MarkerLists() const { return markers_; }
  // Their maps of frames still the MP3 source's, in the same order.
  const std::vector<TSharedSourceMap>& SourceMaps() const { return sourceMaps_; }
  // Deletes every named file, top first, then empties the stack.
  void DeleteAll();
  // The same, but for the files kept names: a marker step's store is also its neighbour's.
  void DeleteAllBut(const std::function<bool(const std::string&)>& kept);

 private:
  std::vector<std::string> names_;
  std::vector<TSharedMarkers> markers_;
  std::vector<TSharedSourceMap> sourceMaps_;
};

}  // namespace quillon
