#pragma once

// mso-number-format: the CSS property by which a page names the number
// format of a cell.

#include <string>
#include <string_view>

namespace quorlex::automation::page {

// The number format code a mso-number-format value stands for. The value is
// the declaration's text as written (a quoted string or a bare word); CSS
// escapes are resolved ("0\.00" -> "0.00", "\@" -> "@"), and the named
// formats are spelt out:
//   General -> "General"          Fixed -> "0.00"
//   Standard -> "#,##0.00"        Percent -> "0.00%"
//   Scientific -> "0.00E+00"      Short Date -> "dd.mm.yyyy"
//   Medium Date -> "dd-mmm-yy"    Long Date -> "d mmmm yyyy"
//   Short Time -> "h:mm"          Medium Time -> "h:mm AM/PM"
//   Long Time -> "h:mm:ss"        Text -> "@"
// "@" means: keep the text as text.
std::string NumberFormatCode(std::string_view css_value);

// Whether a number format code shows a date or a time: it has a day,
// month, year, hour or second outside quoted text, escapes and brackets.
bool IsDateFormat(std::string_view code);

}  // namespace quorlex::automation::page
