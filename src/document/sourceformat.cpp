#include "document/sourceformat.h"

#include "localization/constants.h"

namespace quillon {

std::string ResolutionName(int bits, bool isFloat) {
  return ConstantText(isFloat ? "floatbits" : "intbits", "%s", std::to_string(bits));
}

}  // namespace quillon
