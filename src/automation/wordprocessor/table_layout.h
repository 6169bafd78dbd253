#pragma once

#include <vector>

#include "automation/page/page.h"

namespace quorlex::automation::wordprocessor {

// Column widths (twips) for a page table placed in a given width, as a
// browser's automatic table layout would choose them: widths the page gives
// are kept; other columns get room by the length of their text, between the
// longest word and the longest line; a table whose text does not need the
// whole width stays narrower, unless the page gives the table a width.
std::vector<int> LayoutColumns(const page::Page& page, const page::Table& table, int available);

// Twips between the text of neighbouring cells (twice the cell padding).
inline constexpr int kCellGap = 216;

}  // namespace quorlex::automation::wordprocessor
