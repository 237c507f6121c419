#include "spectrum/colourmaps.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace quillon {

namespace {

struct TStop {
  double at;
  uint8_t r, g, b;
};

constexpr TStop kGrey[] = {{0, 0, 0, 0}, {1, 255, 255, 255}};
// Perceptually even ramps sampled at a few points.
constexpr TStop kGreenYellow[] = {
    {0, 68, 1, 84},        {0.125, 71, 44, 122},  {0.25, 59, 81, 139},
    {0.375, 44, 113, 142}, {0.5, 33, 144, 141},   {0.625, 39, 173, 129},
    {0.75, 92, 200, 99},   {0.875, 170, 220, 50}, {1, 253, 231, 37}};
constexpr TStop kPurpleWhite[] = {
    {0, 0, 0, 4},          {0.125, 28, 16, 68},    {0.25, 79, 18, 123},
    {0.375, 129, 37, 129}, {0.5, 181, 54, 122},    {0.625, 229, 80, 100},
    {0.75, 251, 135, 97},  {0.875, 254, 194, 135}, {1, 252, 253, 191}};
constexpr TStop kBlueYellow[] = {{0, 0, 34, 78},
                                 {0.25, 63, 77, 108},
                                 {0.5, 125, 124, 121},
                                 {0.75, 188, 175, 111},
                                 {1, 254, 232, 56}};

TColourMap Build(std::span<const TStop> stops) {
  TColourMap map{};
  for (int i = 0; i < 256; ++i) {
    const double t = i / 255.0;
    size_t k = 1;
    while (k + 1 < stops.size() && stops[k].at < t) ++k;
    const TStop& a = stops[k - 1];
    const TStop& b = stops[k];
    const double f = std::clamp((t - a.at) / (b.at - a.at), 0.0, 1.0);
    auto mix = [f](uint8_t x, uint8_t y) {
      return static_cast<uint32_t>(std::lround(x + (y - x) * f));
    };
    map[i] = 0xFF000000u | mix(a.r, b.r) << 16 | mix(a.g, b.g) << 8 | mix(a.b, b.b);
  }
  return map;
}

}  // namespace

const TColourMap& ColourMap(int32_t index) {
  static const std::array<TColourMap, 4> maps = {Build(kGrey), Build(kGreenYellow),
                                                 Build(kPurpleWhite), Build(kBlueYellow)};
  return maps[static_cast<size_t>(std::clamp(index, 0, 3))];
}

}  // namespace quillon
