#pragma once

#include <array>
#include <cstdint>

namespace quillon {

// 256 colours, 0xFFRRGGBB, from the floor of the range to its top. Every map rises steadily in
// lightness, so it reads in grey print, and none tells levels apart by red against green alone.
// 0 greyscale, 1 blue-green-yellow, 2 black-purple-white, 3 blue-grey-yellow.
using TColourMap = std::array<uint32_t, 256>;
const TColourMap& ColourMap(int32_t index);

// The colour of what is not computed yet: a grey that no map has at its ends.
inline constexpr uint32_t kPendingColour = 0xFF5A5F66;

}  // namespace quillon
