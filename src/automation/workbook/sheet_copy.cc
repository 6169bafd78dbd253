#include "automation/workbook/sheet_copy.h"

#include <algorithm>

#include "automation/workbook/cell_formulas.h"
#include "automation/workbook/code_names.h"
#include "automation/workbook/formula_edit.h"
#include "automation/workbook/reference_edits.h"
#include "automation/workbook/workbook.h"

namespace quorlex::automation::workbook {

namespace {

// Whether the copy takes a name: the source's own, or a workbook name
// whose references all point at the source (Excel makes it the copy's).
bool CopyTakes(const DefinedNames& names, const DefinedName& name, std::size_t source,
               const SheetIndex& sheets) {
  const auto number = static_cast<std::uint16_t>(source + 1);
  if (name.SheetNumber() == number) return true;
  if (name.SheetNumber() != 0 || name.IsBuiltin()) return false;
  auto named = FormulaSheets(name.Formula(), sheets);
  if (!named || named->empty()) return false;
  if (!std::all_of(named->begin(), named->end(), [&](std::size_t s) { return s == source; }))
    return false;
  // A name of the source's own with the same text already comes along.
  return names.Find(name.Text(), number) == static_cast<std::size_t>(-1);
}

}  // namespace

void CarryToCopy(Workbook& book, std::size_t source, std::size_t copy,
                 const std::vector<RowEdit>& cuts, SheetIndex& sheets) {
  DefinedNames& names = book.Names();
  FormulaSite name_site;
  name_site.relative_offsets = true;
  std::vector<DefinedName> added;
  for (std::size_t i = 0; i < names.Count(); ++i) {
    const DefinedName& name = names.At(i);
    if (!CopyTakes(names, name, source, sheets)) continue;
    DefinedName taken = name;
    taken.SetSheetNumber(static_cast<std::uint16_t>(copy + 1));
    std::vector<std::uint8_t> rgce = taken.Formula();
    RetargetFormulaSheet(rgce, source, copy, sheets);
    for (const RowEdit& cut : cuts)
      EditFormulaRows(rgce, name_site, cut, sheets);
    taken.SetFormula(rgce);
    added.push_back(std::move(taken));
  }
  for (DefinedName& n : added)
    names.Add(std::move(n));

  Sheet& sheet = book.SheetAt(copy);
  RetargetCellFormulas(sheet, source, copy, sheets);
  for (const RowEdit& cut : cuts)
    ApplyRowEditToSheet(book, copy, cut, sheets);
  if (!HasVbaProject(book)) {
    const std::string code = SheetCodeName(sheet);
    if (!code.empty()) SetSheetCodeName(sheet, book.CodeNameRegistry().Unique(book, code));
  }
}

}  // namespace quorlex::automation::workbook
