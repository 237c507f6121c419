#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace quillon {

class EVxLangError : public Exception {
 public:
  using Exception::Exception;
};

// One message constant: its key, its current text and its designed English text.
struct TMessageConstant {
  std::string wsName;
  std::string wsValue;
  std::string wsDefValue;
};

// The designed constants, in the program's order.
const std::vector<TMessageConstant>& DesignedConstants();

// The current text of a message constant; keys compare case-insensitively. Safe from any
// thread. Throws EVxLangError for an unknown key.
std::string ConstantText(std::string_view key);

// Replaces a constant's current text (a translation); false for an unknown key.
bool SetConstantText(std::string_view key, const std::string& text);

// Every constant gets its designed text back.
void RestoreDesignedConstants();

}  // namespace quillon
