#pragma once

#include <cstdint>

namespace quillon {

// Loads Qt's own texts (standard buttons, file and colour dialogs) for an interface language,
// replacing the ones loaded before; the program's default language, or one Qt has no catalogue
// for, leaves Qt's English. False when no catalogue was loaded.
bool InstallQtCatalogue(int32_t languageId);

}  // namespace quillon
