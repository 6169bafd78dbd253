#pragma once

// What Excel's copy of a sheet carries besides its cells: the sheet's own
// names (print area, print titles, filter database, the user's), and the
// workbook's names that refer to it alone, become names of the copy that
// point at it; the copy's formulas that name the source sheet name the
// copy; the copy gets a code name of its own.

#include <cstddef>
#include <vector>

#include "automation/workbook/row_edit.h"

namespace quorlex::automation::workbook {

class Workbook;
class SheetIndex;

// `copy` is the sheet just made from `source` (indexes after the copy was
// inserted). `cuts` are row deletions on the copy made at the same time
// (a copy of a band of rows): its names and references take them too.
void CarryToCopy(Workbook& book, std::size_t source, std::size_t copy,
                 const std::vector<RowEdit>& cuts, SheetIndex& sheets);

}  // namespace quorlex::automation::workbook
