#pragma once

// Data validation of a worksheet under row edits: the cells each rule
// (DV) applies to move up, shrink, go with deleted rows or travel with cut
// rows, and the references of its formulas follow, relative ones counting
// from the rule's new first cell. The DVAL header keeps the count.

#include <cstddef>
#include <vector>

#include "automation/workbook/formula_edit.h"
#include "automation/workbook/row_edit.h"
#include "automation/workbook/sheet.h"

namespace quorlex::automation::workbook {

// Applies `edit` to the validation rules among `items`, the kept records of
// sheet `sheet`. A rule whose cells are all gone is removed. The part of a
// rule that cut rows take along is appended to `moved` (DV records for the
// target sheet).
void EditValidations(std::vector<SheetItem>& items, std::size_t sheet, const RowEdit& edit,
                     SheetIndex& sheets, std::vector<Record>& moved);

// Adds DV records to the validation of a sheet, with a DVAL header after
// its hyperlinks when it has none.
void AddValidations(std::vector<SheetItem>& items, std::vector<Record> rules);

}  // namespace quorlex::automation::workbook
