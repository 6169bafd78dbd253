#include "automation/spreadsheet/value_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace quorlex::automation::spreadsheet {

std::string NumberText(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  if (value == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
  // buf: d.dddddddddddddde[+-]XX
  std::string digits;
  digits += buf[0];
  const char* p = buf + 2;
  while (*p != 'e')
    digits += *p++;
  int exponent = std::atoi(p + 1);
  while (digits.size() > 1 && digits.back() == '0')
    digits.pop_back();
  std::string out = value < 0 ? "-" : "";
  if (exponent >= 15 || exponent < -4) {
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out += digits.substr(1);
    }
    char e[16];
    std::snprintf(e, sizeof e, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    out += e;
    return out;
  }
  if (exponent < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
    return out;
  }
  auto int_digits = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= int_digits) {
    out += digits;
    out.append(int_digits - digits.size(), '0');
  } else {
    out += digits.substr(0, int_digits);
    out += '.';
    out += digits.substr(int_digits);
  }
  return out;
}

std::optional<double> ParseTypedNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ')
    ++i;
  std::size_t end = text.size();
  while (end > i && text[end - 1] == ' ')
    --end;
  std::string_view t = text.substr(i, end - i);
  if (t.empty()) return std::nullopt;
  std::size_t k = 0;
  if (t[k] == '-' || t[k] == '+') ++k;
  std::size_t digits = 0;
  while (k < t.size() && t[k] >= '0' && t[k] <= '9')
    ++k, ++digits;
  if (k < t.size() && t[k] == '.') {
    ++k;
    while (k < t.size() && t[k] >= '0' && t[k] <= '9')
      ++k, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (k < t.size() && (t[k] == 'e' || t[k] == 'E')) {
    ++k;
    if (k < t.size() && (t[k] == '-' || t[k] == '+')) ++k;
    std::size_t exp_digits = 0;
    while (k < t.size() && t[k] >= '0' && t[k] <= '9')
      ++k, ++exp_digits;
    if (exp_digits == 0) return std::nullopt;
  }
  if (k != t.size()) return std::nullopt;
  std::string copy(t);
  double v = std::strtod(copy.c_str(), nullptr);
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

std::string CellName(int row, int column) {
  std::string letters;
  for (int c = column; c > 0; c = (c - 1) / 26)
    letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
  return letters + std::to_string(row);
}

}  // namespace quorlex::automation::spreadsheet
