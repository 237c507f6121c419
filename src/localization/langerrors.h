#pragma once

#include <string>
#include <string_view>

namespace quillon {

// The texts of every EVxLangError, with their placeholders filled in.
std::string InvalidConstantNameText(std::string_view name);
std::string DuplicateConstantNameText(std::string_view name);
std::string ConstantNotFoundText(std::string_view name);
std::string StreamVersionText(int version, int current);
std::string DuplicateTranslationIdText(int id);
std::string LoadingFailedText(int lineIndex, std::string_view message);
// A binary constants block that ends before its count of entries is read.
std::string StreamTruncatedText();

}  // namespace quillon
