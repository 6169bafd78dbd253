#include "automation/page/number_format.h"

#include <array>
#include <utility>

#include "automation/page/css_value.h"

namespace quorlex::automation::page {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' || s.front() == '\r' ||
                        s.front() == '\f'))
    s.remove_prefix(1);
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\n' || s.back() == '\r' || s.back() == '\f'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

std::string NumberFormatCode(std::string_view css_value) {
  std::string_view raw = TrimSpaces(css_value);
  std::string code;
  if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front()) {
    code = css::Unescape(raw.substr(1, raw.size() - 2));
  } else {
    code = css::Unescape(raw);
  }

  static constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kNamed = {{
      {"General", ""},
      {"Fixed", "0.00"},
      {"Standard", "#,##0.00"},
      {"Percent", "0.00%"},
      {"Scientific", "0.00E+00"},
      {"Short Date", "dd.mm.yyyy"},
      {"Medium Date", "dd-mmm-yy"},
      {"Long Date", "d mmmm yyyy"},
      {"Short Time", "h:mm"},
      {"Medium Time", "h:mm AM/PM"},
      {"Long Time", "h:mm:ss"},
      {"Text", "@"},
  }};
  const std::string_view trimmed = TrimSpaces(code);
  for (const auto& [name, spelt] : kNamed) {
    if (EqualsIgnoringCase(trimmed, name)) return std::string(spelt);
  }
  return code;
}

}  // namespace quorlex::automation::page
