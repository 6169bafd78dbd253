#pragma once

// Row edits and sheet copies applied to the references of a BIFF8 formula:
// rows rewritten, lost references turned into #REF! tokens, references that
// now point at another sheet made 3-D. Where a formula stands (a cell, a
// name, a conditional format) decides how its tokens read.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "automation/workbook/row_edit.h"

namespace quorlex::automation::workbook {

// The workbook's XTI table, as formulas name sheets through it.
class SheetIndex {
 public:
  virtual ~SheetIndex() = default;
  // The one sheet of this workbook an XTI index names; nullopt when it
  // names several sheets, another workbook, or nothing.
  virtual std::optional<std::size_t> SheetOf(std::uint16_t ixti) const = 0;
  // An XTI index naming `sheet` of this workbook alone, added when the
  // table has none.
  virtual std::uint16_t XtiOf(std::size_t sheet) = 0;
};

inline constexpr std::size_t kNoSheet = SIZE_MAX;
// The last row a BIFF8 reference can name.
inline constexpr std::uint32_t kLastFormulaRow = 0xFFFF;

// Where a formula stands.
struct FormulaSite {
  // The sheet of tokens that name none (PtgRef, PtgArea, PtgRefN...),
  // before and after the edit: cut cells take their formulas to another
  // sheet. kNoSheet for a workbook-level name: such tokens stay as they are.
  std::size_t sheet = kNoSheet;
  std::size_t new_sheet = kNoSheet;
  // The cell relative tokens (PtgRefN, PtgAreaN) count from, before and
  // after the edit.
  std::uint32_t base_row = 0;
  std::uint32_t new_base_row = 0;
  std::uint16_t base_col = 0;
  std::uint16_t new_base_col = 0;
  // In defined names the relative parts of 3-D tokens are offsets from the
  // cell where the name is used: they follow no row.
  bool relative_offsets = false;
  // Formats and validations cannot name another sheet: a reference that
  // would have to becomes #REF!.
  bool can_name_sheets = true;

  static FormulaSite Cell(std::size_t sheet) { return {sheet, sheet, 0, 0, 0, 0, false, true}; }
};

// Applies `edit` to the references of a formula's tokens. True when they
// changed. Tokens that do not parse are left as they are.
bool EditFormulaRows(std::vector<std::uint8_t>& rgce, const FormulaSite& site, const RowEdit& edit,
                     SheetIndex& sheets);

// Points the 3-D tokens that name sheet `from` alone at sheet `to`, as the
// formulas of a sheet's copy refer to the copy. True when they changed.
bool RetargetFormulaSheet(std::vector<std::uint8_t>& rgce, std::size_t from, std::size_t to,
                          SheetIndex& sheets);

// The sheets the formula's 3-D tokens name alone, in token order (repeats
// kept); nullopt when a token names several sheets, another workbook, or
// the tokens do not parse.
std::optional<std::vector<std::size_t>> FormulaSheets(const std::vector<std::uint8_t>& rgce,
                                                      const SheetIndex& sheets);

}  // namespace quorlex::automation::workbook
