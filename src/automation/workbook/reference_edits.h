#pragma once

// Row deletion and cut-and-paste as they reach every reference of a
// workbook, once the cells themselves have moved: the formulas of every
// sheet (3-D references from other sheets included), defined names, and
// the conditional formats, validations and page breaks of the sheets the
// edit touches.

#include "automation/workbook/row_edit.h"

namespace quorlex::automation::workbook {

class Workbook;
class SheetIndex;

void ApplyRowEdit(Workbook& book, const RowEdit& edit);

// The references that live on `sheet` alone (its formulas, conditional
// formats, validations and page breaks): for a sheet's copy, whose rows
// are cut as the deletions would cut them and which nothing else names.
void ApplyRowEditToSheet(Workbook& book, std::size_t sheet, const RowEdit& edit,
                         SheetIndex& sheets);

}  // namespace quorlex::automation::workbook
