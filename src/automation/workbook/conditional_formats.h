#pragma once

// Conditional formats of a worksheet under row edits: the cells each
// format applies to (CONDFMT, CONDFMT12) move up, shrink, go with deleted
// rows or travel with cut rows, and the references of its rules (CF, CF12)
// follow, relative ones counting from the format's new first cell.

#include <cstddef>
#include <vector>

#include "automation/workbook/formula_edit.h"
#include "automation/workbook/row_edit.h"
#include "automation/workbook/sheet.h"

namespace quorlex::automation::workbook {

// Applies `edit` to the conditional formats among `items`, the kept records
// of sheet `sheet`. A format whose cells are all gone is removed with its
// rules and extensions (CFEX). The part of a format that cut rows take
// along is appended to `moved`, as records for the target sheet.
void EditConditionalFormats(std::vector<SheetItem>& items, std::size_t sheet, const RowEdit& edit,
                            SheetIndex& sheets, std::vector<Record>& moved);

}  // namespace quorlex::automation::workbook
