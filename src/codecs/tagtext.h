#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

// Covers larger than this are refused: a document keeps its cover in memory.
inline constexpr size_t kMaxCoverBytes = 16u << 20;
// A text field longer than this is cut: no tag field of the kind we keep is ever this long.
inline constexpr size_t kMaxTagTextBytes = 16u << 10;

// A tag's text made fit for the document: valid UTF-8 (the caller decoded it), without NULs or
// control characters other than line breaks and tabs, and no longer than kMaxTagTextBytes, cut
// at a character boundary.
std::string CleanTagText(const std::string& text);

// "image/jpeg" or "image/png" by the bytes' signature; empty for anything else.
std::string ImageMimeTypeOf(const std::vector<uint8_t>& data);

}  // namespace quillon
