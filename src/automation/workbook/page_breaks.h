#pragma once

// Manual page breaks of a worksheet under row deletion. A horizontal break
// belongs to the row that starts the new page: it goes with that row and
// moves up with it. Vertical breaks span whole columns and stay.

#include <cstddef>
#include <vector>

#include "automation/workbook/row_edit.h"
#include "automation/workbook/sheet.h"

namespace quorlex::automation::workbook {

void EditPageBreaks(std::vector<SheetItem>& items, std::size_t sheet, const RowEdit& edit);

}  // namespace quorlex::automation::workbook
