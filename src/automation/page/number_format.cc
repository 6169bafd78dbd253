#include "automation/page/number_format.h"

#include <array>
#include <utility>

#include "automation/page/css_value.h"
#include "platform/text.h"

namespace quorlex::automation::page {

using text::EqualsIgnoringAsciiCase;
using text::TrimAsciiSpace;

std::string NumberFormatCode(std::string_view css_value) {
  std::string_view raw = TrimAsciiSpace(css_value);
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
  const std::string_view trimmed = TrimAsciiSpace(code);
  for (const auto& [name, spelt] : kNamed) {
    if (EqualsIgnoringAsciiCase(trimmed, name)) return std::string(spelt);
  }
  return code;
}

}  // namespace quorlex::automation::page
