#pragma once

// CSS declarations as the page's styles use them: the properties that reach
// a paste, their values parsed once into typed form, and the shorthands
// (font, background, border, border-*, margin) expanded into longhands.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/page/interner.h"
#include "automation/page/page.h"

namespace quorlex::automation::page::css {

enum class Property : std::uint8_t {
  kFontFamily,
  kFontSize,
  kFontWeight,
  kFontStyle,
  kTextDecoration,
  kColor,
  kBackgroundColor,
  // Sides run top, right, bottom, left, as CSS lists them.
  kBorderTopStyle,
  kBorderRightStyle,
  kBorderBottomStyle,
  kBorderLeftStyle,
  kBorderTopWidth,
  kBorderRightWidth,
  kBorderBottomWidth,
  kBorderLeftWidth,
  kBorderTopColor,
  kBorderRightColor,
  kBorderBottomColor,
  kBorderLeftColor,
  kTextAlign,
  kVerticalAlign,
  kWhiteSpace,
  kDisplay,
  kVisibility,
  kWidth,
  kHeight,
  kMarginLeft,
  kMarginRight,
  kMsoNumberFormat,
  kCount,
};
inline constexpr std::size_t kPropertyCount = static_cast<std::size_t>(Property::kCount);

inline Property BorderStyleOf(int side) {
  return static_cast<Property>(static_cast<int>(Property::kBorderTopStyle) + side);
}
inline Property BorderWidthOf(int side) {
  return static_cast<Property>(static_cast<int>(Property::kBorderTopWidth) + side);
}
inline Property BorderColorOf(int side) {
  return static_cast<Property>(static_cast<int>(Property::kBorderTopColor) + side);
}

enum class Keyword : std::uint8_t {
  kNone,
  kNormal,
  kBold,
  kBolder,
  kLighter,
  kItalic,
  kOblique,
  kUnderline,
  kLineThrough,
  kOverline,
  kLeft,
  kRight,
  kCenter,
  kJustify,
  kStart,
  kEnd,
  kTop,
  kMiddle,
  kBottom,
  kBaseline,
  kSub,
  kSuper,
  kNowrap,
  kPre,
  kPreWrap,
  kPreLine,
  kBlock,
  kInline,
  kListItem,
  kHidden,
  kVisible,
  kSolid,
  kDashed,
  kDotted,
  kDouble,
  kThin,
  kMedium,
  kThick,
  kLarger,
  kSmaller,
  kAuto,
  kTransparent,
  kCurrentColor,
};

enum class Unit : std::uint8_t { kPx, kPt, kEm, kEx, kRem, kPercent, kNumber };

// A CSS value parsed into typed form.
struct Value {
  enum class Type : std::uint8_t { kKeyword, kLength, kColor, kString, kInherit, kInitial };
  Type type = Type::kInitial;
  Keyword keyword = Keyword::kNone;  // kKeyword
  Unit unit = Unit::kPx;             // kLength: number in this unit
  double number = 0;                 // kLength; font-weight as a number
  Rgb color = kAutoColor;            // kColor
  std::uint32_t string = 0;          // kString: index in the string pool
  std::uint8_t lines = 0;            // text-decoration: kUnderlineLine | kStrikeLine
};

inline constexpr std::uint8_t kUnderlineLine = 1;
inline constexpr std::uint8_t kStrikeLine = 2;

// One longhand declaration: property, value and importance.
struct Declaration {
  Property property = Property::kColor;
  bool important = false;
  Value value;
};

// Colours: the CSS colour names (the 16 HTML ones among them), #rgb,
// #rrggbb (and their forms with alpha, alpha ignored), rgb()/rgba() with
// numbers or percentages, hsl()/hsla().
std::optional<Rgb> ParseColor(std::string_view text);
// Colours in HTML attributes (bgcolor, color): a name, or hex digits with
// or without "#".
std::optional<Rgb> ParseAttributeColor(std::string_view text);

// Resolves CSS escapes: "\" + 1-6 hex digits (+ one white space) is that
// character, "\" + any other character is that character.
std::string Unescape(std::string_view text);

// Parses a declaration block ("a: b; c: d !important") and appends the
// longhand declarations to out. Unknown properties and values that do not
// parse are dropped, as a browser does. Font faces and number formats go to
// strings; a face is the first family named, generic names mapped.
void ParseDeclarations(std::string_view block, Interner& strings, std::vector<Declaration>& out);

// Reads a CSS identifier (escapes resolved) from s at i into out; returns
// the index after it (i itself when there is none).
std::size_t ReadIdentifier(std::string_view s, std::size_t i, std::string& out);

// At an escape or a quoted string that starts at s[i], the index past it
// (a string left open ends with its line); elsewhere i itself. Scanners
// step over these so that the brackets, separators and quotes inside them
// count for nothing.
std::size_t SkipEscapeOrString(std::string_view s, std::size_t i);

// Length of a CSS length in points, for units that do not depend on a font.
std::optional<double> AbsolutePoints(double number, Unit unit);

}  // namespace quorlex::automation::page::css
