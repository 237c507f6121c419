#include "localization/langerrors.h"

namespace quillon {

std::string InvalidConstantNameText(std::string_view name) {
  return "Invalid constant name (\"" + std::string(name) + "\")";
}

std::string DuplicateConstantNameText(std::string_view name) {
  return "Duplicate constant name (\"" + std::string(name) + "\")";
}

std::string ConstantNotFoundText(std::string_view name) {
  return "Constant \"" + std::string(name) + "\" not found";
}

std::string StreamVersionText(int version, int current) {
  return "Stream version (" + std::to_string(version) + ") is greater than the current one (" +
         std::to_string(current) + ")";
}

std::string DuplicateTranslationIdText(int id) {
  return "Duplicate property value translation ID (" + std::to_string(id) + ")";
}

std::string LoadingFailedText(int lineIndex, std::string_view message) {
  return "Loading translations failed.\r\nLine " + std::to_string(lineIndex) + ": " +
         std::string(message);
}

std::string StreamTruncatedText() {
  return "The constants stream ends too early";
}

}  // namespace quillon
