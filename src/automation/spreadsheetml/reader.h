#pragma once

#include <memory>
#include <string>

#include "automation/package/package.h"
#include "automation/workbook/workbook.h"

namespace quorlex::automation::spreadsheetml {

// Reads a SpreadsheetML workbook or template (.xlsx, .xltx, .xlsm, .xltm)
// from its package into the engine's model; the package stays with the
// workbook (Workbook::Markup) for the writer. `name` names the file in
// errors. Throws quorlex::Error (errors::kFormat) "Файл <name> ..." for a
// package without a SpreadsheetML workbook, Strict Open XML, parts that are
// not well-formed, or a sheet over the format's limits.
std::unique_ptr<workbook::Workbook> ReadWorkbook(package::Package package, const std::string& name);

// The same from a file; errors of the package itself (not a zip file, an
// entry too large) are quorlex::Error as the package layer raises them.
std::unique_ptr<workbook::Workbook> ReadWorkbookFile(const std::string& path);

}  // namespace quorlex::automation::spreadsheetml
