#include "platform/messagebox.h"

#include <atomic>
#include <cstdio>

namespace quillon {

namespace {
std::atomic<TMessageBoxes*> installed{nullptr};
}

void TStderrMessageBoxes::Show(const std::string& caption, const std::string& text,
                               TMessageIcon /*icon*/) {
  std::fprintf(stderr, "%s %s\n", caption.c_str(), text.c_str());
}

void TStderrMessageBoxes::ShowException(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
}

TMessageBoxes& MessageBoxes() {
  if (TMessageBoxes* current = installed.load()) return *current;
  static TStderrMessageBoxes fallback;
  return fallback;
}

void SetMessageBoxes(TMessageBoxes* boxes) {
  installed.store(boxes);
}

}  // namespace quillon
