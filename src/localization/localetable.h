#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quillon {

// One Windows locale: its language identifier, culture code ("en-US"), culture name
// ("English (United States)"), language name ("English") and native name.
struct TLocaleRecord {
  int32_t id;
  const char* culture;
  const char* cultureName;
  const char* languageName;
  const char* nativeName;
};

// The Windows locale identifier list, ordered by identifier.
std::span<const TLocaleRecord> LocaleRecords();
const TLocaleRecord* FindLocale(int32_t id);
// The language name shown for an identifier; its decimal number when the table lacks it.
std::string LanguageName(int32_t id);
// The identifier of a culture code ("de-DE" or "de_DE"; case does not matter). Failing an exact
// match, the first record of the code's language; 0 when the language is unknown.
int32_t LocaleIdForCulture(std::string_view culture);
// The identifier of the user's language (from the system locale), for a language never chosen.
int32_t SystemLanguageId();

}  // namespace quillon
