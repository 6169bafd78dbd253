#include "automation/page/number_reader.h"

#include <charconv>
#include <cmath>

namespace quorlex::automation::page {
namespace {

constexpr std::string_view kNoBreakSpace = "\xC2\xA0";            // U+00A0
constexpr std::string_view kNarrowNoBreakSpace = "\xE2\x80\xAF";  // U+202F
constexpr std::string_view kMinusSign = "\xE2\x88\x92";           // U+2212
constexpr std::size_t kMaxSignificantDigits = 15;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the space (U+0020, U+00A0, U+202F) at s[i], or 0.
std::size_t SpaceAt(std::string_view s, std::size_t i) {
  if (i >= s.size()) return 0;
  if (s[i] == ' ') return 1;
  if (s.substr(i).starts_with(kNoBreakSpace)) return kNoBreakSpace.size();
  if (s.substr(i).starts_with(kNarrowNoBreakSpace)) return kNarrowNoBreakSpace.size();
  return 0;
}

std::string_view TrimSpaces(std::string_view s) {
  while (true) {
    if (!s.empty() && s.front() == '\t') {
      s.remove_prefix(1);
    } else if (const std::size_t n = SpaceAt(s, 0)) {
      s.remove_prefix(n);
    } else {
      break;
    }
  }
  while (!s.empty()) {
    if (s.back() == ' ' || s.back() == '\t') {
      s.remove_suffix(1);
    } else if (s.ends_with(kNoBreakSpace)) {
      s.remove_suffix(kNoBreakSpace.size());
    } else if (s.ends_with(kNarrowNoBreakSpace)) {
      s.remove_suffix(kNarrowNoBreakSpace.size());
    } else {
      break;
    }
  }
  return s;
}

}  // namespace

std::optional<NumberReading> ReadNumber(std::string_view text) {
  std::string_view s = TrimSpaces(text);
  if (s.empty()) return std::nullopt;

  bool negative = false;
  if (s.front() == '-') {
    negative = true;
    s.remove_prefix(1);
  } else if (s.starts_with(kMinusSign)) {
    negative = true;
    s.remove_prefix(kMinusSign.size());
  }

  bool percent = false;
  if (!s.empty() && s.back() == '%') {
    percent = true;
    s.remove_suffix(1);
    if (s.ends_with(' ')) {
      s.remove_suffix(1);
    } else if (s.ends_with(kNoBreakSpace)) {
      s.remove_suffix(kNoBreakSpace.size());
    } else if (s.ends_with(kNarrowNoBreakSpace)) {
      s.remove_suffix(kNarrowNoBreakSpace.size());
    }
  }

  // The integer part: plain digits, or groups of three after a first
  // group of one to three, separated by spaces.
  std::string digits;  // the number with no separators: "123.45e6"
  std::size_t i = 0;
  while (i < s.size() && IsDigit(s[i])) digits.push_back(s[i++]);
  if (digits.empty()) return std::nullopt;
  std::size_t integer_digits = digits.size();
  const bool grouped = SpaceAt(s, i) != 0;
  if (grouped) {
    if (integer_digits > 3) return std::nullopt;
    while (const std::size_t space = SpaceAt(s, i)) {
      const std::size_t start = i + space;
      std::size_t end = start;
      while (end < s.size() && IsDigit(s[end])) ++end;
      if (end - start != 3) return std::nullopt;
      digits.append(s.substr(start, 3));
      i = end;
    }
    integer_digits = digits.size();
  }
  if (integer_digits > 1 && digits[0] == '0') return std::nullopt;

  std::size_t fraction_digits = 0;
  if (i < s.size() && (s[i] == ',' || s[i] == '.')) {
    ++i;
    digits.push_back('.');
    while (i < s.size() && IsDigit(s[i])) {
      digits.push_back(s[i++]);
      ++fraction_digits;
    }
    if (fraction_digits == 0 || fraction_digits > 30) return std::nullopt;
  }

  const bool exponent = !percent && i < s.size() && (s[i] == 'e' || s[i] == 'E');
  if (exponent) {
    digits.push_back('e');
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) digits.push_back(s[i++]);
    std::size_t exponent_digits = 0;
    while (i < s.size() && IsDigit(s[i])) {
      digits.push_back(s[i++]);
      ++exponent_digits;
    }
    if (exponent_digits == 0 || exponent_digits > 3) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;

  // Significant digits: all digits but the leading zeros.
  std::size_t significant = 0;
  bool leading = true;
  for (char c : digits) {
    if (c == 'e') break;
    if (!IsDigit(c)) continue;
    if (leading && c == '0') continue;
    leading = false;
    ++significant;
  }
  if (significant > kMaxSignificantDigits) return std::nullopt;

  double value = 0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (result.ec != std::errc() || result.ptr != digits.data() + digits.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  if (value != 0 && std::fabs(value) < 1e-307) return std::nullopt;

  NumberReading reading;
  reading.decimals = static_cast<std::uint8_t>(fraction_digits);
  if (percent) {
    value /= 100;
    reading.shape = NumberShape::kPercent;
  } else if (exponent) {
    reading.shape = NumberShape::kExponent;
  } else if (grouped) {
    reading.shape = NumberShape::kGrouped;
  } else if (fraction_digits > 0) {
    reading.shape = NumberShape::kPlain;
  }
  reading.format = ImpliedFormat(reading.shape, reading.decimals);
  reading.value = negative && value != 0 ? -value : value;
  return reading;
}

std::string ImpliedFormat(NumberShape shape, std::uint8_t decimals) {
  const std::string fraction = decimals > 0 ? "." + std::string(decimals, '0') : std::string();
  switch (shape) {
    case NumberShape::kGeneral:
      return {};
    case NumberShape::kPlain:
      return "0" + fraction;
    case NumberShape::kGrouped:
      return "#,##0" + fraction;
    case NumberShape::kPercent:
      return "0" + fraction + "%";
    case NumberShape::kExponent:
      return "0" + fraction + "E+00";
  }
  return {};
}

}  // namespace quorlex::automation::page
