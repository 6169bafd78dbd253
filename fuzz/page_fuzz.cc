// Arbitrary bytes as a rendered page: ParsePage and LayOutGrid must neither
// crash nor hang, and what they give must hold together (every range and
// index in bounds, grid cells sorted and unique, merges inside the grid).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "automation/page/grid.h"
#include "automation/page/page.h"
#include "platform/error.h"

namespace {

using namespace quorlex::automation::page;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void CheckPage(const Page& page) {
  Check(page.body_first_block + static_cast<std::uint64_t>(page.body_block_count) <=
        page.blocks.size());
  for (const Run& run : page.runs) {
    Check(run.offset + static_cast<std::uint64_t>(run.length) <= page.text.size());
    Check(run.length > 0);
    Check(run.format < page.char_formats.size());
  }
  for (const Paragraph& p : page.paragraphs) {
    Check(p.first_run + static_cast<std::uint64_t>(p.run_count) <= page.runs.size());
    Check(p.format < page.paragraph_formats.size());
  }
  for (const Block& b : page.blocks) {
    Check(b.kind == Block::Kind::kParagraph ? b.index < page.paragraphs.size()
                                            : b.index < page.tables.size());
  }
  for (std::size_t t = 0; t < page.tables.size(); ++t) {
    const Table& table = page.tables[t];
    Check(table.first_row + static_cast<std::uint64_t>(table.row_count) <= page.rows.size());
    Check(table.format < page.table_formats.size());
    for (const Row& row : page.Rows(table)) {
      Check(row.first_cell + static_cast<std::uint64_t>(row.cell_count) <= page.cells.size());
      for (const Cell& cell : page.Cells(row)) {
        Check(cell.colspan >= 1 && cell.rowspan >= 1);
        Check(cell.column + static_cast<std::uint64_t>(cell.colspan) <= table.column_count);
        Check(cell.first_block + static_cast<std::uint64_t>(cell.block_count) <=
              page.blocks.size());
        Check(cell.format < page.cell_formats.size() &&
              cell.char_format < page.char_formats.size());
        for (const Block& b : page.Blocks(cell))
          Check(b.kind == Block::Kind::kParagraph || b.index < t);
      }
    }
  }
}

void CheckGrid(const Grid& grid) {
  Check(!grid.formats.empty());
  for (std::size_t i = 0; i < grid.cells.size(); ++i) {
    const GridCell& c = grid.cells[i];
    Check(c.row < grid.row_count && c.column < grid.column_count);
    Check(c.format < grid.formats.size());
    if (i > 0) {
      const GridCell& p = grid.cells[i - 1];
      Check(p.row < c.row || (p.row == c.row && p.column < c.column));
    }
  }
  for (const Merge& m : grid.merges) {
    Check(m.first_row <= m.last_row && m.first_column <= m.last_column);
    Check(m.last_row < grid.row_count && m.last_column < grid.column_count);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view html(reinterpret_cast<const char*>(data), size);
  try {
    const Page page = ParsePage(html);
    CheckPage(page);
    CheckGrid(LayOutGrid(page));
  } catch (const quorlex::Error&) {
    // A refusal with a description is a proper answer.
  }
  return 0;
}
