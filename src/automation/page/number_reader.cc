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

// Digits at s[at, at + count), all of them, as a number; -1 otherwise.
int Digits(std::string_view s, std::size_t at, std::size_t count) {
  if (at + count > s.size()) return -1;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (!IsDigit(s[i])) return -1;
    value = value * 10 + (s[i] - '0');
  }
  return value;
}

// Days from 01.01.1970 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

}  // namespace

std::optional<NumberReading> ReadDate(std::string_view text) {
  const std::string_view s = TrimSpaces(text);
  if (s.size() < 10 || s[2] != '.' || s[5] != '.') return std::nullopt;
  const int day = Digits(s, 0, 2);
  const int month = Digits(s, 3, 2);
  const int year = Digits(s, 6, 4);
  if (day < 1 || month < 1 || month > 12 || year < 1900 || day > DaysInMonth(year, month)) {
    return std::nullopt;
  }
  NumberReading reading;
  reading.shape = NumberShape::kDate;
  int seconds = 0;
  if (s.size() > 10) {
    if (s[10] != ' ') return std::nullopt;
    const std::size_t colon = s.find(':', 11);
    if (colon == std::string_view::npos || colon - 11 < 1 || colon - 11 > 2) return std::nullopt;
    const int hour = Digits(s, 11, colon - 11);
    const int minute = Digits(s, colon + 1, 2);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return std::nullopt;
    seconds = hour * 3600 + minute * 60;
    reading.decimals = static_cast<std::uint8_t>(colon - 11);
    reading.shape = NumberShape::kDateMinutes;
    if (s.size() != colon + 3) {
      const int second =
          s.size() == colon + 6 && s[colon + 3] == ':' ? Digits(s, colon + 4, 2) : -1;
      if (second < 0 || second > 59) return std::nullopt;
      seconds += second;
      reading.shape = NumberShape::kDateSeconds;
    }
  }
  // Serial 1 is 01.01.1900, and the 1900 date system counts a 29.02.1900
  // that never was: from March 1900 on a serial is the days since
  // 30.12.1899.
  std::int64_t serial =
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
      DaysFromCivil(1899, 12, 30);
  if (year == 1900 && month <= 2) --serial;
  reading.value = static_cast<double>(serial) + seconds / 86400.0;
  reading.format = ImpliedFormat(reading.shape, reading.decimals);
  return reading;
}

namespace {

// Significant digits of "123.45e6": all digits of the mantissa but the
// leading zeros.
std::size_t SignificantDigits(std::string_view digits) {
  std::size_t significant = 0;
  bool leading = true;
  for (char c : digits) {
    if (c == 'e') break;
    if (!IsDigit(c)) continue;
    if (leading && c == '0') continue;
    leading = false;
    ++significant;
  }
  return significant;
}

// "(123)": a negative number, unsigned within its parentheses.
std::optional<NumberReading> ReadInParentheses(std::string_view s) {
  const std::string_view inner = s.substr(1, s.size() - 2);
  if (inner != TrimSpaces(inner) || inner.front() == '-' || inner.starts_with(kMinusSign)) {
    return std::nullopt;
  }
  std::optional<NumberReading> reading = ReadNumber(inner);
  if (!reading) return std::nullopt;
  reading->value = reading->value != 0 ? -reading->value : 0;
  reading->parentheses = true;
  reading->format = ImpliedFormat(reading->shape, reading->decimals, true);
  return reading;
}

}  // namespace

std::optional<NumberReading> ReadNumber(std::string_view text) {
  std::string_view s = TrimSpaces(text);
  if (s.size() >= 3 && s.front() == '(' && s.back() == ')') return ReadInParentheses(s);
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
  while (i < s.size() && IsDigit(s[i]))
    digits.push_back(s[i++]);
  if (digits.empty()) return std::nullopt;
  std::size_t integer_digits = digits.size();
  const bool grouped = SpaceAt(s, i) != 0;
  if (grouped) {
    if (integer_digits > 3) return std::nullopt;
    while (const std::size_t space = SpaceAt(s, i)) {
      const std::size_t start = i + space;
      std::size_t end = start;
      while (end < s.size() && IsDigit(s[end]))
        ++end;
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

  if (SignificantDigits(digits) > kMaxSignificantDigits) return std::nullopt;

  double value = 0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (result.ec != std::errc() || result.ptr != digits.data() + digits.size() ||
      !std::isfinite(value)) {
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

std::string ImpliedFormat(NumberShape shape, std::uint8_t decimals, bool parentheses) {
  // Built by appending: GCC 12 at -O3 takes the operator+ forms here for
  // overlapping copies (-Wrestrict), which they cannot be.
  if (parentheses) {
    std::string positive = ImpliedFormat(shape, decimals);
    if (positive.empty()) positive.push_back('0');
    std::string both = positive;
    both.append(";(").append(positive).push_back(')');
    return both;
  }
  std::string fraction;
  if (decimals > 0) fraction.append(1, '.').append(decimals, '0');
  const std::string hour = decimals == 2 ? "hh" : "h";
  switch (shape) {
    case NumberShape::kGeneral: return {};
    case NumberShape::kDate: return "dd.mm.yyyy";
    case NumberShape::kDateMinutes: return "dd.mm.yyyy " + hour + ":mm";
    case NumberShape::kDateSeconds: return "dd.mm.yyyy " + hour + ":mm:ss";
    case NumberShape::kPlain: return "0" + fraction;
    case NumberShape::kGrouped: return "#,##0" + fraction;
    case NumberShape::kPercent: return "0" + fraction + "%";
    case NumberShape::kExponent: return "0" + fraction + "E+00";
  }
  return {};
}

}  // namespace quorlex::automation::page
