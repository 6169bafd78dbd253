#include "automation/page/table_grid.h"

#include <algorithm>
#include <vector>

namespace quorlex::automation::page {
namespace {

// Columns [begin, end) held by a row span down to last_row.
struct Span {
  std::uint32_t begin;
  std::uint32_t end;
  std::uint32_t last_row;
};

}  // namespace

std::uint32_t PlaceCells(std::span<const RowSlice> rows, std::span<Cell> cells) {
  std::vector<Span> spans;  // disjoint, sorted by begin
  std::uint32_t columns = 0;
  for (std::uint32_t r = 0; r < rows.size(); ++r) {
    const RowSlice& row = rows[r];
    std::erase_if(spans, [r](const Span& s) { return s.last_row < r; });
    std::uint32_t cursor = 0;
    std::size_t k = 0;  // first span that may lie at or after the cursor
    for (std::uint32_t i = 0; i < row.cell_count; ++i) {
      Cell& cell = cells[row.first_cell + i];
      while (k < spans.size()) {
        if (spans[k].end <= cursor) {
          ++k;
        } else if (spans[k].begin <= cursor) {
          cursor = spans[k].end;
          ++k;
        } else {
          break;
        }
      }
      if (cursor >= kMaxTableColumns) {
        cell.colspan = 0;
        continue;
      }
      const std::uint32_t limit = k < spans.size() ? spans[k].begin : kMaxTableColumns;
      const std::uint32_t colspan = std::max<std::uint32_t>(1, std::min(cell.colspan, limit - cursor));
      const std::uint32_t rows_left = row.group_end > r ? row.group_end - r : 1;
      const std::uint32_t rowspan = cell.rowspan == 0 ? rows_left : std::min(cell.rowspan, rows_left);
      cell.column = cursor;
      cell.colspan = colspan;
      cell.rowspan = std::max<std::uint32_t>(rowspan, 1);
      cursor += colspan;
      if (cell.rowspan > 1) {
        spans.insert(spans.begin() + static_cast<std::ptrdiff_t>(k), Span{cell.column, cursor, r + cell.rowspan - 1});
        ++k;
      }
      columns = std::max(columns, cursor);
    }
  }
  return columns;
}

}  // namespace quorlex::automation::page
