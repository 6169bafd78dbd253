#pragma once

// Test support: other programs' view of an Excel 97-2003 file we wrote.
// They are black-box checks; none of them shares code with the engine.

#include <string>

#include "automation/testing/temp_dir.h"

namespace quorlex::automation::testing {

// The command that runs the xlrd checker (biff8/testdata/xls_check.py):
// add "dump FILE", "values FILE" or "compare BEFORE AFTER".
std::string XlsCheck();

// Opens a written workbook with the independent readers, as GoogleTest
// expectations: xlrd reads it; Gnumeric's ssconvert and LibreOffice open it
// without an error or a warning the original (when named) did not already
// give; LibreOffice shows the texts xlrd sees on the first sheet.
void CheckWithReaders(const std::string& written, const std::string& original, const TempDir& dir);

}  // namespace quorlex::automation::testing
