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
  // Dates and date-times: the value is a date serial (days since
  // 30.12.1899, as the 1900 date system counts them); `decimals` holds the
  // digits of the hour.
  kDate,         // "07.12.2026" -> "dd.mm.yyyy"
  kDateMinutes,  // "07.12.2026 9:30" -> "dd.mm.yyyy h:mm"
  kDateSeconds,  // "07.12.2026 09:30:15" -> "dd.mm.yyyy hh:mm:ss"
};

constexpr bool IsDateShape(NumberShape shape) {
  return shape == NumberShape::kDate || shape == NumberShape::kDateMinutes ||
         shape == NumberShape::kDateSeconds;
}

// The number format code a shape implies, with that many decimals; empty
// for kGeneral. A negative written in parentheses keeps them through a
// second section: "#,##0.00;(#,##0.00)".
std::string ImpliedFormat(NumberShape shape, std::uint8_t decimals, bool parentheses = false);

// A number read from a cell's text, with the look it was written in.
struct NumberReading {
  double value = 0;
  NumberShape shape = NumberShape::kGeneral;
  std::uint8_t decimals = 0;
  bool parentheses = false;  // an accounting negative: "(1 234,56)"
  // ImpliedFormat(shape, decimals, parentheses): the number keeps its look,
  // trailing zeros and digit groups included.
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
// decimal point. A number of that form without a sign, in parentheses, is
// negative: "(1 234,56)" is -1234.56. Everything else stays text.
std::optional<NumberReading> ReadNumber(std::string_view text);

// Reads text as a date the way a spreadsheet in a Russian locale does on
// paste: a full date "dd.mm.yyyy" (two-digit day and month, four-digit
// year from 1900 on), alone or followed by one space and a time "hh:mm" or
// "hh:mm:ss" (the hour one or two digits). The value is the date serial of
// the 1900 date system, Excel's phantom 29.02.1900 included, so that
// 01.01.1900 is 1 and 01.03.1900 is 61. A time alone, a date with a
// two-digit year or an impossible date (31.04.2026) stays text.
std::optional<NumberReading> ReadDate(std::string_view text);

}  // namespace quorlex::automation::page
