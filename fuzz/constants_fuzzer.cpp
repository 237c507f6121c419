// Any binary constants block loads or throws the reader's error; a loaded table survives being
// written and read back.
#include "fuzz_support.h"
#include "localization/constants.h"

using namespace quillon;

namespace {
bool SameTable(const TVxLang_Constants& a, const TVxLang_Constants& b) {
  if (a.Count() != b.Count()) return false;
  for (size_t i = 0; i < a.Count(); ++i) {
    if (a.Items()[i].wsName != b.Items()[i].wsName) return false;
    if (a.Items()[i].wsValue != b.Items()[i].wsValue) return false;
  }
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TVxLang_Constants table;
  try {
    table.LoadFromStream(std::vector<uint8_t>(data, data + size));
  } catch (const EVxLangError& error) {
    fuzz::Check(*error.what() != '\0', "an error without a message");
    fuzz::Check(table.Count() == 0, "a failed load changed the table");
    return 0;
  }
  for (const auto& constant : table.Items())
    fuzz::Check(IsValidIdent(constant.wsName), "a key that is no identifier");
  // Older versions hold UTF-8 that may not be valid; once written as UTF-16 the texts are fixed.
  TVxLang_Constants first;
  first.LoadFromStream(table.SaveToStream());
  TVxLang_Constants second;
  second.LoadFromStream(first.SaveToStream());
  fuzz::Check(SameTable(first, second), "the table changed on a round trip");
  fuzz::Check(first.FAutoSaveLangSource == table.FAutoSaveLangSource, "the flag changed");
  return 0;
}
