#include "document/stack.h"

#include "platform/filesystem.h"

namespace quillon {

void TStack::Push(const std::string& name, TSharedMarkers markers, TSharedSourceMap sourceMap) {
  names_.push_back(name);
  markers_.push_back(markers ? std::move(markers) : NoMarkers());
  sourceMaps_.push_back(std::move(sourceMap));
}

std::string TStack::Pop() {
  if (names_.empty()) return {};
  std::string top = std::move(names_.back());
  names_.pop_back();
  markers_.pop_back();
  sourceMaps_.pop_back();
  return top;
}

void TStack::DeleteAll() {
  DeleteAllBut([](const std::string&) { return false; });
}

void TStack::DeleteAllBut(const std::function<bool(const std::string&)>& kept) {
  for (auto it = names_.rbegin(); it != names_.rend(); ++it)
    if (!kept(*it)) DeleteFileIfExists(*it);
  names_.clear();
  markers_.clear();
  sourceMaps_.clear();
}

}  // namespace quillon
