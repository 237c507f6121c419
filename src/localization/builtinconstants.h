#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quillon {

inline constexpr std::string_view kConstantsResourceName = "VXLANG_CONSTS";

// A raw data block built into the program, by name; none for an unknown name.
std::optional<std::span<const uint8_t>> BuiltInResource(std::string_view name);

}  // namespace quillon
