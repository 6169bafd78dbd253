#pragma once

// Cell values as text, the way the converters read and write them.

#include <optional>
#include <string>
#include <string_view>

namespace quorlex::automation::spreadsheet {

// A number as a cell's value reads when converted to text in an English
// locale: up to 15 significant digits, no trailing zeros, "1E+15" and
// "1E-05" beyond the fixed range.
std::string NumberText(double value);

// A typed entry that Excel would take as a number ("12", "-1.5", "2E3").
std::optional<double> ParseTypedNumber(std::string_view text);

// "A1"-style name of a cell, from 1-based row and column.
std::string CellName(int row, int column);

}  // namespace quorlex::automation::spreadsheet
