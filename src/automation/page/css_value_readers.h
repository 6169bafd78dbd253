#pragma once

// Readers of the values of CSS declarations: one token (or a few) into a
// typed value, nothing when the token is no such value.

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "automation/page/css_tokenizer.h"
#include "automation/page/css_value.h"

namespace quorlex::automation::page::css {

// The CSS colour names, lower-case.
const std::unordered_map<std::string_view, Rgb>& ColorNames();
// #rgb, #rrggbb and their forms with alpha, without the '#'.
std::optional<Rgb> HexColor(std::string_view hex);

// A colour token: a colour, transparent, or currentcolor.
struct ColorToken {
  enum class Kind : std::uint8_t { kRgb, kTransparent, kCurrent };
  Kind kind = Kind::kRgb;
  Rgb rgb = 0;
};
std::optional<ColorToken> ReadColor(const Token& t);
Value ColorValue(const ColorToken& c);

Value KeywordValue(Keyword k);
Value LengthValue(double number, Unit unit);
// A length or percentage token in the units a page uses.
std::optional<Value> ReadLength(const Token& t);
std::optional<Value> ReadFontSize(const Token& t);
std::optional<Value> ReadFontWeight(const Token& t);
std::optional<Keyword> ReadBorderStyle(const Token& t);
std::optional<Value> ReadBorderWidth(const Token& t);
// The first family of a font-family list, from tokens [begin, end).
std::optional<std::string> FirstFamily(const std::vector<Token>& tokens, std::size_t begin);
// inherit, initial, unset: true and the value in out.
bool IsCssWideKeyword(const std::vector<Token>& tokens, Value& out);

}  // namespace quorlex::automation::page::css
