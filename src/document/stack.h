#pragma once

#include <string>
#include <vector>

namespace quillon {

// A stack of temporary file names: the document's undo or redo history. The top is the most
// recent entry. Only DeleteAll touches the files themselves.
class TStack {
 public:
  void Push(const std::string& name) { names_.push_back(name); }
  // The top name, removed; the empty string when the stack is empty.
  std::string Pop();
  // The top name, left in place; the empty string when the stack is empty.
  std::string Top() const { return names_.empty() ? std::string() : names_.back(); }
  bool IsEmpty() const { return names_.empty(); }
  size_t Count() const { return names_.size(); }
  // The names from the bottom to the top.
  const std::vector<std::string>& Names() const { return names_; }
  // Deletes every named file, top first, then empties the stack.
  void DeleteAll();

 private:
  std::vector<std::string> names_;
};

}  // namespace quillon
