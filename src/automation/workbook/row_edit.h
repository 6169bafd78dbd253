#pragma once

// What deleting rows, or cutting rows and pasting them on another sheet,
// does to the places a workbook names: a reference moves up, shrinks,
// follows the cut cells or is lost (#REF!), and the cells a format or a
// validation applies to move, shrink or travel with the cells, as Excel
// adjusts them. Nothing here knows how a file format writes a reference.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "automation/workbook/cells.h"

namespace quorlex::automation::workbook {

// The rows a reference names on one sheet; a cell is a span of one row.
struct RowSpan {
  std::size_t sheet = 0;
  std::uint32_t first = 0;
  std::uint32_t last = 0;

  bool operator==(const RowSpan&) const = default;
};

// Cell areas of one sheet after an edit: those that stay on it and those
// that travel with cut cells to the edit's target sheet.
struct AreaSplit {
  std::vector<Area> stay;
  std::vector<Area> moved;
};

// One change of row positions in a workbook.
class RowEdit {
 public:
  // Rows [first, first + count) of `sheet` deleted; the rows below move up.
  static RowEdit Deletion(std::size_t sheet, std::uint32_t first, std::uint32_t count);
  // Rows [first, last] of `from` cut and pasted at row `to_row` of another
  // sheet `to`; the source rows are left empty.
  static RowEdit Move(std::size_t from, std::uint32_t first, std::uint32_t last, std::size_t to,
                      std::uint32_t to_row);

  bool IsDeletion() const { return deletion_; }
  std::size_t Sheet() const { return sheet_; }
  std::size_t TargetSheet() const { return deletion_ ? sheet_ : to_sheet_; }
  // Where cut rows land on the target sheet.
  std::uint32_t TargetRow() const { return deletion_ ? first_ : to_row_; }
  std::uint32_t First() const { return first_; }
  // The last row the edit takes (deleted or cut).
  std::uint32_t Last() const { return last_; }
  // True when references to `sheet` can change.
  bool Touches(std::size_t sheet) const {
    return sheet == sheet_ || (!deletion_ && sheet == to_sheet_);
  }

  // Where a reference to `span` points after the edit; nullopt when it is
  // lost. A reference to every row up to `last_row` (a whole column) stays
  // as it is, as it does in Excel.
  std::optional<RowSpan> Apply(const RowSpan& span, std::uint32_t last_row) const;

  // Where a cell of row `row` on `sheet` is after the edit; nullopt when it
  // was deleted or pasted over.
  std::optional<RowSpan> CellAfter(std::size_t sheet, std::uint32_t row) const;

  // The areas a format or validation of `sheet` applies to, after the edit.
  // Deleted rows leave them; cut rows take their part with them; pasted
  // rows replace what was there.
  AreaSplit ApplyToCells(std::size_t sheet, const std::vector<Area>& areas,
                         std::uint32_t last_row) const;

 private:
  RowEdit() = default;

  bool deletion_ = true;
  std::size_t sheet_ = 0;
  std::uint32_t first_ = 0;
  std::uint32_t last_ = 0;
  std::size_t to_sheet_ = 0;
  std::uint32_t to_row_ = 0;
};

}  // namespace quorlex::automation::workbook
