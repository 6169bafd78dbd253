#pragma once

// Sheet operations the report treatments share.

#include <string>

#include "automation/spreadsheet/application.h"

namespace quorlex::excel {

namespace ss = automation::spreadsheet;

// Row r is a title row when its cell in column 1, upper-cased and not
// trimmed, equals the report title (already trimmed and upper-cased).
bool IsTitleRow(const ss::Worksheet& sheet, int row, const std::string& title);

// The number of rows of the sheet's used range, read now.
int UsedRowCount(const ss::Worksheet& sheet);

// The last row and the last column of the sheet's used range, read now. A
// used range need not start at A1 (column A may be empty): a loop from row
// or column 1 runs to these, not to the range's row or column count.
int LastUsedRow(const ss::Worksheet& sheet);
int LastUsedColumn(const ss::Worksheet& sheet);

// Selects rows first..last of the sheet and deletes the selection, so that
// the rows below move up. The sheet must be the active one.
void DeleteRowBand(ss::Application& app, const ss::Worksheet& sheet, int first, int last);

}  // namespace quorlex::excel
