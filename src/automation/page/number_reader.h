#pragma once

// How paste decides that a text is a number: only when it reads as one
// without loss. See docs/paste-spreadsheet.md for the rules.

#include <optional>
#include <string>
#include <string_view>

namespace quorlex::automation::page {

struct NumberReading {
  double value = 0;
  // The number format the text implies: empty (General), or "0%", "0.0%",
  // "0.00%", ... for a percentage with that many decimals.
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
