#include "automation/workbook/cell_formulas.h"

#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

using platform::Get16;
using platform::Put16;

namespace {

constexpr std::uint16_t kArray = 0x0221;
// FORMULA from its value field: value, flags, cache id, then the formula.
constexpr std::size_t kCellFormulaAt = 14;
// ARRAY: area, flags, cache id, then the formula.
constexpr std::size_t kArrayFormulaAt = 12;

// The formula (length, tokens, extra bytes) at `at` of a record body, with
// its tokens changed by `change`. True when they changed.
template <typename F>
bool ChangeTokens(std::vector<std::uint8_t>& body, std::size_t at, F&& change) {
  if (at + 2 > body.size()) return false;
  const std::size_t length = Get16(body, at);
  if (at + 2 + length > body.size()) return false;
  const auto first = body.begin() + static_cast<std::ptrdiff_t>(at + 2);
  std::vector<std::uint8_t> rgce(first, first + static_cast<std::ptrdiff_t>(length));
  if (!change(rgce)) return false;
  body.erase(first, first + static_cast<std::ptrdiff_t>(length));
  body.insert(body.begin() + static_cast<std::ptrdiff_t>(at + 2), rgce.begin(), rgce.end());
  Put16(body, at, static_cast<std::uint32_t>(rgce.size()));
  return true;
}

// Calls change(rgce, row) on every formula of the sheet; stores those that changed.
template <typename F>
void ForEachFormula(Sheet& sheet, F&& change) {
  CellStore& cells = sheet.Cells();
  if (!cells.MayHoldFormulas()) return;
  const auto& rows = cells.Rows();
  for (std::uint32_t r = 0; r < rows.size(); ++r) {
    for (std::size_t i = 0; i < rows[r].cells.size(); ++i) {
      const Cell& cell = rows[r].cells[i];
      if (cell.kind != CellKind::kFormula) continue;
      FormulaBody body = FormulaBody::Decode(cells.Blob(cell));
      bool changed =
          ChangeTokens(body.record, kCellFormulaAt, [&](auto& rgce) { return change(rgce, r); });
      for (auto& a : body.attached) {
        if (a.type != kArray) continue;
        changed =
            ChangeTokens(a.data, kArrayFormulaAt, [&](auto& rgce) { return change(rgce, r); }) ||
            changed;
      }
      if (changed) cells.SetFormula(r, cell.col, body);
    }
  }
}

}  // namespace

void EditCellFormulas(Sheet& sheet, std::size_t index, const RowEdit& edit, SheetIndex& sheets) {
  if (!edit.Touches(index) && !sheet.Cells().MayNameSheets()) return;
  const bool arrived = !edit.IsDeletion() && index == edit.TargetSheet();
  const std::uint32_t landed_first = edit.TargetRow();
  const std::uint32_t landed_last = edit.TargetRow() + (edit.Last() - edit.First());
  ForEachFormula(sheet, [&](std::vector<std::uint8_t>& rgce, std::uint32_t row) {
    FormulaSite site = FormulaSite::Cell(index);
    // Cells the paste brought were written on the cut sheet.
    if (arrived && row >= landed_first && row <= landed_last) site.sheet = edit.Sheet();
    return EditFormulaRows(rgce, site, edit, sheets);
  });
}

void RetargetCellFormulas(Sheet& copy, std::size_t from, std::size_t to, SheetIndex& sheets) {
  if (!copy.Cells().MayNameSheets()) return;
  ForEachFormula(copy, [&](std::vector<std::uint8_t>& rgce, std::uint32_t) {
    return RetargetFormulaSheet(rgce, from, to, sheets);
  });
}

}  // namespace quorlex::automation::workbook
