#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The text of a language file as UTF-8 lines. A UTF-8 or UTF-16 byte-order mark selects that
// encoding; without one the bytes are UTF-8 when they decode as such, else Windows-1252 (the
// ANSI code page of the western Windows systems the files were first written on). Lines end at
// CR LF, LF or CR.
std::vector<std::string> DecodeLanguageText(const std::vector<uint8_t>& bytes);

// Escapes in values: "\n" a CR LF, "\t" a tab, "\\" one backslash, a backslash and two decimal
// digits the character of that code; any other backslash stays.
std::string DecodeEscapes(std::string_view text);
// The inverse, for writing: tab, line breaks, backslashes and other control characters.
std::string EncodeEscapes(std::string_view text);

// An integer as the files write it (optional sign, decimal, or hexadecimal after "$" or "0x");
// `fallback` when the text is not one or does not fit.
int32_t ToIntDef(std::string_view text, int32_t fallback);

// Surrounding spaces and control characters removed.
std::string_view Trimmed(std::string_view text);

// "*" matches any run of characters, "?" one; letters compare case-insensitively.
bool MatchesMask(std::string_view text, std::string_view mask);

}  // namespace quillon
