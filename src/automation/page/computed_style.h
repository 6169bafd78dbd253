#pragma once

// The computed values of the properties that reach a paste, for one
// element, and how they follow from the parent's and the element's cascaded
// declarations.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "automation/page/css_value.h"
#include "automation/page/page.h"

namespace quorlex::automation::page {

enum class Display : std::uint8_t { kInline, kBlock, kListItem, kNone };
enum class WhiteSpace : std::uint8_t { kNormal, kNowrap, kPre, kPreWrap, kPreLine };

// The CSS values of one element after the cascade and inheritance.
struct ComputedStyle {
  // Inherited.
  std::uint32_t font_family = 0;  // string index; 0: not set
  double font_size = 12;          // points
  bool size_set = false;          // some element on the way set the size
  bool bold = false;
  bool italic = false;
  std::uint8_t lines = 0;  // decoration lines: the element's and its ancestors'
  Rgb color = kAutoColor;
  HorizontalAlignment text_align = HorizontalAlignment::kGeneral;
  WhiteSpace white_space = WhiteSpace::kNormal;
  bool visible = true;
  bool has_number_format = false;
  std::uint32_t number_format = 0;  // string index, when has_number_format
  VerticalPosition position = VerticalPosition::kBaseline;
  // Not inherited.
  Display display = Display::kInline;
  Rgb background = kAutoColor;
  std::array<Border, 4> borders{};  // top, right, bottom, left
  VerticalAlignment vertical = VerticalAlignment::kDefault;
  Length width;
  Length height;
  bool margin_left_auto = false;
  bool margin_right_auto = false;

  bool operator==(const ComputedStyle&) const = default;
};

// Hash of a computed style, to keep each distinct style once.
struct ComputedStyleHash {
  std::size_t operator()(const ComputedStyle& s) const noexcept;
};

// The style of an element whose parent has `parent` and whose cascade left
// `winners[p]` as the declaration of property p (nullptr: none).
ComputedStyle ComputeStyle(const ComputedStyle& parent,
                           const std::array<const css::Declaration*, css::kPropertyCount>& winners);

}  // namespace quorlex::automation::page
