#include "automation/page/number_format.h"

#include <array>
#include <utility>

#include "automation/page/css_value.h"
#include "platform/text.h"

namespace quorlex::automation::page {

using platform::EqualsIgnoringAsciiCase;
using platform::TrimAsciiSpace;

std::string NumberFormatCode(std::string_view css_value) {
  std::string_view raw = TrimAsciiSpace(css_value);
  std::string code;
  if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front()) {
    code = css::Unescape(raw.substr(1, raw.size() - 2));
  } else {
    code = css::Unescape(raw);
  }

  static constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kNamed = {{
      {"General", "General"},
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
  const std::string_view trimmed = TrimAsciiSpace(code);
  for (const auto& [name, spelt] : kNamed) {
    if (EqualsIgnoringAsciiCase(trimmed, name)) return std::string(spelt);
  }
  return code;
}

bool IsDateFormat(std::string_view code) {
  bool quoted = false;
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (quoted) {
      continue;
    } else if (c == '\\') {
      ++i;
    } else if (c == '[') {
      const std::size_t end = code.find(']', i);
      if (end == std::string_view::npos) return false;
      i = end;
    } else if (std::string_view("dDmMyYhHsS").find(c) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

}  // namespace quorlex::automation::page
