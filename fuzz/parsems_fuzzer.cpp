// Any text typed into a selection box gives a time that reads back the same when shown, or
// nothing.
#include <string>

#include "fuzz_support.h"
#include "shell/utils.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (const auto ms = ParseMs(text))
    fuzz::Check(ParseMs(FormatMs(*ms)) == ms, "a time that does not read back");
  for (int32_t unit : {0, 1}) {
    if (const auto value = ParseSelectionBox(unit, text)) {
      const std::string shown = SelectionBoxText(unit, *value, *value);
      fuzz::Check(ParseSelectionBox(unit, shown) == value, "a position that does not read back");
    }
  }
  return 0;
}
