#pragma once

#include "automation/spreadsheet/application.h"

namespace quorlex::excel {

// Every sheet of the workbook gets wrapping on the leftmost cell of each row
// whose text is at least as long as its column is wide. Sheets added by a
// treatment are included; a sheet that is not a worksheet fails the
// conversion.
void WrapLongTexts(automation::spreadsheet::Workbook& book);

}  // namespace quorlex::excel
