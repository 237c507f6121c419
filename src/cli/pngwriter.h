#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

// Writes width x height pixels 0xFFRRGGBB, row by row, as an RGB PNG (through libpng) that
// replaces path only once it is whole. Throws Exception with the reason when it cannot.
void WritePng(const std::string& path, const std::vector<uint32_t>& pixels, int32_t width,
              int32_t height);

}  // namespace quillon
