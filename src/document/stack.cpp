#include "document/stack.h"

#include "platform/filesystem.h"

namespace quillon {

std::string TStack::Pop() {
  if (names_.empty()) return {};
  std::string top = std::move(names_.back());
  names_.pop_back();
  return top;
}

void TStack::DeleteAll() {
  for (auto it = names_.rbegin(); it != names_.rend(); ++it) DeleteFileIfExists(*it);
  names_.clear();
}

}  // namespace quillon
