// Any language file reads completely or throws the reader's error; the last byte chooses
// between reading only the parameters and the whole file.
#include "fuzz_support.h"
#include "localization/langfile.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool paramsOnly = data[size - 1] & 1;
  std::vector<uint8_t> bytes(data, data + size - 1);
  TVxLang_CompTranslations translations;
  try {
    translations.Text_LoadFromStream(bytes, paramsOnly);
  } catch (const Exception& error) {
    fuzz::Check(*error.what() != '\0', "an error without a message");
    return 0;
  }
  if (paramsOnly) fuzz::Check(translations.Sections.empty(), "sections read with paramsOnly");
  for (const auto& section : translations.Sections) {
    fuzz::Check(section != nullptr, "a missing section");
    const auto& items = section->Items();
    for (size_t i = 1; i < items.size(); ++i)
      fuzz::Check(items[i - 1].iID < items[i].iID, "section not sorted by identifier");
    for (const auto& item : items)
      fuzz::Check(section->FindID(item.iID) == &item, "an identifier that cannot be found");
  }
  translations.LangId();
  return 0;
}
