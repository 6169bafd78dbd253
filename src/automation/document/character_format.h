#pragma once

#include <optional>
#include <string>

#include "automation/document/color.h"
#include "automation/document/font_table.h"

namespace quorlex::automation::document {

// Direct character formatting the engine writes. An empty field leaves the
// style's value.
struct CharacterFormat {
  std::string font;     // face name; empty: the style's font
  int half_points = 0;  // size in half points; 0: the style's size
  std::optional<bool> bold;
  std::optional<bool> italic;
  std::optional<bool> underline;
  std::optional<bool> strike;
  std::optional<Color> color;
  enum class Position {
    kBaseline = 0,
    kSuperscript = 1,
    kSubscript = 2
  } position = Position::kBaseline;

  friend bool operator==(const CharacterFormat&, const CharacterFormat&) = default;
};

// The property list for a format; fonts missing from the table are added.
std::string EncodeCharacterFormat(const CharacterFormat& format, FontTable& fonts);

}  // namespace quorlex::automation::document
