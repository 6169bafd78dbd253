#pragma once

// Writing Excel 97-2003 workbooks (BIFF8 in a compound file).

#include <cstdint>
#include <string>
#include <vector>

#include "automation/workbook/workbook.h"

namespace quorlex::automation::biff8 {

// Throws quorlex::Error (errors::kSpreadsheet) when a sheet is over Excel's
// limits: 65,536 rows, 256 columns, 32,767 characters a cell, 31-character
// sheet names.
void CheckLimits(const workbook::Workbook& book);

// The workbook stream.
std::vector<std::uint8_t> WriteWorkbookStream(const workbook::Workbook& book);

// Checks the limits, writes the compound file to a temporary name beside
// `path` and renames it into place: a failure leaves no file at `path`.
void WriteWorkbook(const workbook::Workbook& book, const std::string& path);

}  // namespace quorlex::automation::biff8
