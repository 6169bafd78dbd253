#pragma once

// The HTML table algorithm's placement of cells on a table's column grid.

#include <cstdint>
#include <span>

#include "automation/page/page.h"

namespace quorlex::automation::page {

// Columns a table may have; cells that would start further right are left
// out.
inline constexpr std::uint32_t kMaxTableColumns = 16384;

// One row of a table as the grid layout sees it.
struct RowSlice {
  std::uint32_t first_cell = 0;  // the row's cells in `cells`
  std::uint32_t cell_count = 0;
  std::uint32_t group_end = 0;  // index after the last row of the row's group
};

// Rows are in display order. On entry each cell's colspan and rowspan are
// what the page asks (rowspan 0: to the end of the row group); on return
// column, colspan and rowspan are the cell's place: a cell takes the first
// column that no row span from above holds, its colspan is cut short where
// it would run into one, and its rowspan stops at the end of its row group.
// A cell that finds no column within kMaxTableColumns gets colspan 0 (left
// out). Returns the number of columns.
std::uint32_t PlaceCells(std::span<const RowSlice> rows, std::span<Cell> cells);

}  // namespace quorlex::automation::page
