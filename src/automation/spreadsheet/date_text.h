#pragma once

// Date cells read as text the way a spreadsheet in a Russian locale shows
// them: reports are written for that locale, and the converters compare
// and measure what a person sees.

#include <optional>
#include <string>
#include <string_view>

namespace quorlex::automation::workbook {
class Workbook;
}

namespace quorlex::automation::spreadsheet {

// True when the workbook counts dates from 1904 (its DATEMODE record is 1).
bool Uses1904Dates(const workbook::Workbook& book);

// The text a date cell shows: its serial through its number format code.
// The built-in short date (14) and date-time (22) show as a Russian locale
// shows them, "dd.mm.yyyy" and "dd.mm.yyyy h:mm". Nothing when the format
// is not a date's or the serial is not a date.
std::optional<std::string> DateText(double serial, std::string_view code, bool date1904);

}  // namespace quorlex::automation::spreadsheet
