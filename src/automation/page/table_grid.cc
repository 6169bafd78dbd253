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
  std::vector<Span> spans;                   // disjoint, sorted by begin
  std::uint32_t first_expiry = 0xFFFFFFFFu;  // the lowest last_row among spans
  std::uint32_t columns = 0;
  for (std::uint32_t r = 0; r < rows.size(); ++r) {
    const RowSlice& row = rows[r];
    if (first_expiry < r) {
      std::erase_if(spans, [r](const Span& s) { return s.last_row < r; });
      first_expiry = 0xFFFFFFFFu;
      for (const Span& s : spans)
        first_expiry = std::min(first_expiry, s.last_row);
    }
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
      const std::uint32_t colspan =
          std::max<std::uint32_t>(1, std::min(cell.colspan, limit - cursor));
      const std::uint32_t rows_left = row.group_end > r ? row.group_end - r : 1;
      const std::uint32_t rowspan =
          cell.rowspan == 0 ? rows_left : std::min(cell.rowspan, rows_left);
      cell.column = cursor;
      cell.colspan = colspan;
      cell.rowspan = std::max<std::uint32_t>(rowspan, 1);
      cursor += colspan;
      if (cell.rowspan > 1) {
        const std::uint32_t last_row = r + cell.rowspan - 1;
        first_expiry = std::min(first_expiry, last_row);
        // Neighbours that end on the same row hold places as one span, so
        // a wide row of row spans is passed over in one step.
        if (k > 0 && spans[k - 1].end == cell.column && spans[k - 1].last_row == last_row) {
          spans[k - 1].end = cursor;
        } else {
          spans.insert(spans.begin() + static_cast<std::ptrdiff_t>(k),
                       Span{cell.column, cursor, last_row});
          ++k;
        }
      }
      columns = std::max(columns, cursor);
    }
  }
  return columns;
}

}  // namespace quorlex::automation::page
