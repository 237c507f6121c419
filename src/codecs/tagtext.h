#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

// Covers larger than this are refused: a document keeps its cover in memory.
inline constexpr size_t kMaxCoverBytes = 16u << 20;
// A text longer than the first is cut there, and a document keeps texts up to the second in all:
// far above what any field of a real tag holds (lyrics and liner notes included), and well within
// what the recovery journal and the editor's fields take.
inline constexpr size_t kMaxTagTextBytes = 1u << 20;
inline constexpr size_t kMaxTagTextsBytes = 4u << 20;

// A tag's text made fit for the document: valid UTF-8 (the caller decoded it), without NULs or
// control characters other than line breaks and tabs, and no longer than limit, cut at a
// character boundary. cut, when given, is set when the text was cut.
std::string CleanTagText(const std::string& text, size_t limit = kMaxTagTextBytes,
                         bool* cut = nullptr);

// "image/jpeg" or "image/png" by the bytes' signature; empty for anything else.
std::string ImageMimeTypeOf(const std::vector<uint8_t>& data);

}  // namespace quillon
