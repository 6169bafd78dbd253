#pragma once

// The formulas of a worksheet's cells, and of its array formulas, under row
// edits and sheet copies. Their tokens give rows as rows, so where the
// cells stand does not matter; cut cells take their formulas along.

#include <cstddef>

#include "automation/workbook/formula_edit.h"
#include "automation/workbook/row_edit.h"
#include "automation/workbook/sheet.h"

namespace quorlex::automation::workbook {

// Applies `edit` to the formulas of `sheet`, the sheet at `index`, after its
// cells were deleted or moved.
void EditCellFormulas(Sheet& sheet, std::size_t index, const RowEdit& edit, SheetIndex& sheets);

// Points the formulas of `copy` that name sheet `from` at sheet `to`.
void RetargetCellFormulas(Sheet& copy, std::size_t from, std::size_t to, SheetIndex& sheets);

}  // namespace quorlex::automation::workbook
