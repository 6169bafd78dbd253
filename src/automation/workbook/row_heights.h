#pragma once

#include "automation/workbook/sheet.h"
#include "automation/workbook/styles.h"

namespace quorlex::automation::workbook {

// Fits the rows whose height is not fixed (no custom-height flag) to what
// they hold, as a spreadsheet does after a paste or when a cell starts to
// wrap: the line height of the row's largest font, times the lines a
// wrapping cell needs in its column. Lines are counted with the advance
// widths of the cell's font (automation/text_metrics) in whole pixels at
// 96 dpi, broken at spaces, and a word wider than the column where it
// reaches the edge. Merged cells count with their font but not with their
// wrapping, as in a spreadsheet's own fitting. A row never gets lower than
// it is, so a template's rows keep their height.
void FitRowHeights(const Styles& styles, Sheet& sheet);

// Height in twips of one line of a font of `font_twips`, rounded up to
// whole 0.75-point steps: 255 twips (12.75 pt) for a 10-point font.
std::uint16_t LineHeight(std::uint16_t font_twips);

}  // namespace quorlex::automation::workbook
