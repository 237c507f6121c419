#include "codecs/saveerrors.h"

#include "localization/constants.h"

namespace quillon {

Exception WriteError(const EOSError& error) {
  return Exception(ConstantText("writeerror") + " " + error.what());
}

void ThrowWriteError(const EOSError& error) {
  throw WriteError(error);
}

void ThrowSaveError(const char* constant, const std::string& detail) {
  throw Exception(detail.empty() ? ConstantText(constant) : ConstantText(constant) + " " + detail);
}

}  // namespace quillon
