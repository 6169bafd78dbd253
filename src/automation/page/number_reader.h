#pragma once

// How paste decides that a text is a number: only when it reads as one
// without loss. See docs/paste-spreadsheet.md for the rules.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorlex::automation::page {

// How a number was written, which its number format keeps.
enum class NumberShape : std::uint8_t {
  kGeneral,   // digits only: "1234", "-7"
  kPlain,     // with decimals: "1234,50" -> "0.00"
  kGrouped,   // digit groups: "1 234 567" -> "#,##0", "1 234,50" -> "#,##0.00"
  kPercent,   // "12,5%" -> "0.0%"
  kExponent,  // "1,5E+3" -> "0.0E+00"
};

// The number format code a shape implies, with that many decimals; empty
// for kGeneral.
std::string ImpliedFormat(NumberShape shape, std::uint8_t decimals);

struct NumberReading {
  double value = 0;
  NumberShape shape = NumberShape::kGeneral;
  std::uint8_t decimals = 0;
  // ImpliedFormat(shape, decimals): the number keeps its look, trailing
  // zeros and digit groups included.
  std::string format;
};

// Reads text as a number: an optional "-" or U+2212; digits, grouped by
// spaces or no-break spaces (the first group 1-3 digits, the others exactly
// 3) or not grouped; "," or "." as the one decimal point, with at least one
// digit before and after it; then an optional exponent ("1,5E+3") or a
// trailing "%" (the value divided by 100), which a space may precede. No
// leading zero before other digits ("0,5" yes, "007" and "00,5" no), at most
// 15 significant digits. Spaces and no-break spaces around the whole are
// ignored. A single "," before exactly three digits ("1,234") is the
// decimal point. Everything else stays text.
std::optional<NumberReading> ReadNumber(std::string_view text);

}  // namespace quorlex::automation::page
