#pragma once

// Writing a laid-out page into a worksheet, as Excel's paste of a web page
// does: values, merges and formats, top-left at a given cell; column widths
// and row heights stay.

#include <cstdint>

#include "automation/page/grid.h"
#include "automation/workbook/workbook.h"

namespace quorlex::automation::spreadsheet {

// Row and column are 0-based. Cells of the pasted rectangle that the grid
// leaves empty lose their values and formats; merges that meet it go.
void PasteGrid(workbook::Workbook& book, workbook::Sheet& sheet, std::uint32_t row,
               std::uint16_t column, const page::Grid& grid);

}  // namespace quorlex::automation::spreadsheet
