#include "platform/messagebox.h"

#include <cstdio>

#include "platform/installed.h"

namespace quillon {

void TStderrMessageBoxes::Show(const std::string& caption, const std::string& text,
                               TMessageIcon /*icon*/) {
  std::fprintf(stderr, "%s %s\n", caption.c_str(), text.c_str());
}

void TStderrMessageBoxes::ShowException(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
}

namespace {
constinit TInstalled<TMessageBoxes, TStderrMessageBoxes> installed;
}

TMessageBoxes& MessageBoxes() {
  return installed.Get();
}

void SetMessageBoxes(TMessageBoxes* boxes) {
  installed.Set(boxes);
}

}  // namespace quillon
