#include "automation/document/color.h"

#include <array>

namespace quorlex::automation::document {
namespace {

constexpr std::array<Color, 16> kPalette = {{
    {0, 0, 0},
    {0, 0, 255},
    {0, 255, 255},
    {0, 255, 0},
    {255, 0, 255},
    {255, 0, 0},
    {255, 255, 0},
    {255, 255, 255},
    {0, 0, 128},
    {0, 128, 128},
    {0, 128, 0},
    {128, 0, 128},
    {128, 0, 0},
    {128, 128, 0},
    {128, 128, 128},
    {192, 192, 192},
}};

}  // namespace

std::optional<Color> PaletteColor(unsigned index) {
  if (index < 1 || index > kPalette.size()) return std::nullopt;
  return kPalette[index - 1];
}

std::uint8_t NearestPaletteIndex(Color color) {
  int best = 0;
  long best_distance = -1;
  for (int i = 0; i < 16; ++i) {
    const Color& p = kPalette[static_cast<std::size_t>(i)];
    const long dr = color.r - p.r;
    const long dg = color.g - p.g;
    const long db = color.b - p.b;
    const long distance = dr * dr * 3 + dg * dg * 4 + db * db * 2;
    if (best_distance < 0 || distance < best_distance) {
      best = i;
      best_distance = distance;
    }
  }
  return static_cast<std::uint8_t>(best + 1);
}

std::uint32_t ColorRef(Color color) {
  return static_cast<std::uint32_t>(color.r) | (static_cast<std::uint32_t>(color.g) << 8) |
         (static_cast<std::uint32_t>(color.b) << 16);
}

}  // namespace quorlex::automation::document
