#pragma once

#include <string>

#include "automation/package/package.h"
#include "automation/workbook/workbook.h"

namespace quorlex::automation::spreadsheetml {

// Throws quorlex::Error (errors::kSpreadsheet) when a sheet is over the
// format's limits: 1,048,576 rows, 16,384 columns, 32,767 characters a
// cell, and sheet names as Excel takes them.
void CheckLimits(const workbook::Workbook& book);

// The package of a workbook read from a SpreadsheetML package: the
// workbook, styles, shared strings and worksheet parts made from the model
// (the worksheets written while the package is saved), comments and their
// VML drawings made from the model's notes, the workbook part's content
// type a workbook's (a template becomes a workbook), and every other part
// as it was read, copied with the sheets that own it. A macro-enabled
// package loses its macros, which a workbook package cannot hold. Throws
// quorlex::Error (errors::kSpreadsheet) for a workbook not read from such a
// package.
package::Package WorkbookPackage(const workbook::Workbook& book);

// Checks the limits and writes the workbook at `path` (a temporary file
// beside it renamed into place): a failure leaves no file at `path`.
void WriteWorkbook(const workbook::Workbook& book, const std::string& path);

}  // namespace quorlex::automation::spreadsheetml
