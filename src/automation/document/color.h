#pragma once

#include <cstdint>
#include <optional>

namespace quorlex::automation::document {

// An RGB colour of the document model.
struct Color {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;

  friend bool operator==(const Color&, const Color&) = default;
};

// The nearest of the sixteen colours older readers know (1 black ... 16
// light grey), for the palette fields kept beside exact colours.
std::uint8_t NearestPaletteIndex(Color color);
// The colour of palette index `index` (1 to 16); nullopt for any other.
std::optional<Color> PaletteColor(unsigned index);

// A colour as the file stores it: red, green, blue, then a zero byte (a
// non-zero last byte would mean "automatic").
std::uint32_t ColorRef(Color color);

}  // namespace quorlex::automation::document
