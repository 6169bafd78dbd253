#pragma once

// A formula as SpreadsheetML writes it (A1 references, sheets by name),
// read into the references it makes and the text between them, so that the
// references can follow deleted and moved rows and copied sheets, and be
// written again under the names the sheets have by then. Text this does
// not understand (other workbooks, 3-D ranges, tables) is kept as it was.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/workbook/cells.h"
#include "automation/workbook/row_edit.h"

namespace quorlex::automation::workbook {
class Sheet;
}

namespace quorlex::automation::spreadsheetml {

using SheetKey = const workbook::Sheet*;

// One reference of a formula: a cell, an area, whole rows or whole columns.
struct CellReference {
  enum class Kind : std::uint8_t { kCell, kArea, kRows, kColumns };
  SheetKey sheet = nullptr;  // null: the sheet the formula is on, unnamed
  Kind kind = Kind::kCell;
  std::uint32_t first_row = 0;
  std::uint32_t last_row = 0;
  std::uint16_t first_col = 0;
  std::uint16_t last_col = 0;
  // "$" before the first column, first row, last column, last row.
  bool fixed[4] = {false, false, false, false};
  bool lost = false;  // written as #REF!
};

// How an edit finds sheets: the index a sheet has now, and the sheet at an
// index.
struct SheetLookup {
  std::function<std::optional<std::size_t>(SheetKey)> index_of;
  std::function<SheetKey(std::size_t)> sheet_at;
};

class FormulaText {
 public:
  // `sheet_named` finds the sheet a name as written (unquoted) stands for;
  // references to a name it does not know stay text.
  static FormulaText Parse(std::string_view text,
                           const std::function<SheetKey(std::string_view)>& sheet_named);

  bool Empty() const { return references_.empty(); }
  // True when a reference names its sheet.
  bool NamesSheets() const;

  // Follows a row edit. `written_on` is the index of the sheet the formula
  // was on before the edit, `now_on` after it (they differ for a cell the
  // edit moved); unnamed references of a formula on no sheet (a defined
  // name) stay. Returns true when anything changed.
  // With `relative_shift` (a conditional format's or a validation's
  // formula, whose relative references count from the first cell it
  // applies to), unnamed references with a relative row move by that many
  // rows instead.
  bool EditRows(const workbook::RowEdit& edit, std::optional<std::size_t> written_on,
                std::optional<std::size_t> now_on, const SheetLookup& sheets,
                std::optional<std::int64_t> relative_shift = std::nullopt);
  // True when every reference names `sheet`, and there is one.
  bool NamesOnly(SheetKey sheet) const;
  // References naming `from` name `to` instead.
  bool Retarget(SheetKey from, SheetKey to);

  // The text again; `qualifier` gives the sheet name as a formula writes it
  // (quoted where needed).
  std::string Print(const std::function<std::string(SheetKey)>& qualifier) const;

 private:
  std::vector<std::string> texts_;  // one more than references_
  std::vector<CellReference> references_;
};

// A sheet name as a formula writes it: quoted unless it is a plain name.
std::string FormulaSheetName(std::string_view name);

// "A1:B2 C5" as read from a sqref or ref attribute; nullopt when a part is
// not a cell or an area.
std::optional<std::vector<workbook::Area>> ParseAreas(std::string_view text);
std::string AreasText(const std::vector<workbook::Area>& areas);

}  // namespace quorlex::automation::spreadsheetml
