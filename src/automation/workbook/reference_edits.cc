#include "automation/workbook/reference_edits.h"

#include <algorithm>
#include <set>

#include "automation/workbook/cell_formulas.h"
#include "automation/workbook/conditional_formats.h"
#include "automation/workbook/extern_sheets.h"
#include "automation/workbook/page_breaks.h"
#include "automation/workbook/validations.h"
#include "automation/workbook/workbook.h"

namespace quorlex::automation::workbook {

namespace {

// How a defined name's tokens read: only 3-D ones name rows of a sheet.
FormulaSite NameSite() {
  FormulaSite site;
  site.relative_offsets = true;
  return site;
}

void EditNames(Workbook& book, const RowEdit& edit, SheetIndex& sheets) {
  DefinedNames& names = book.Names();
  if (names.Count() == 0) return;
  std::set<std::size_t> touched;
  for (std::size_t i : names.NamingSheet(edit.Sheet(), sheets))
    touched.insert(i);
  if (!edit.IsDeletion()) {
    for (std::size_t i : names.NamingSheet(edit.TargetSheet(), sheets))
      touched.insert(i);
  }
  for (std::size_t i : touched) {
    std::vector<std::uint8_t> rgce = names.At(i).Formula();
    if (EditFormulaRows(rgce, NameSite(), edit, sheets)) names.SetFormula(i, rgce);
  }
  // Cut rows take names to another sheet.
  if (!edit.IsDeletion()) names.ForgetSheets();
}

// Records of a format or a validation go where Excel writes them: formats
// before the hyperlinks.
void AddFormats(std::vector<SheetItem>& items, std::vector<Record> formats) {
  if (formats.empty()) return;
  auto at = std::find_if(items.begin(), items.end(),
                         [](const SheetItem& i) { return i.slot == Slot::kHyperlinks; });
  std::vector<SheetItem> added;
  for (Record& r : formats)
    added.push_back({Slot::kNone, std::move(r)});
  items.insert(at, std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
}

}  // namespace

void ApplyRowEditToSheet(Workbook& book, std::size_t sheet, const RowEdit& edit,
                         SheetIndex& sheets) {
  Sheet& s = book.SheetAt(sheet);
  if (!s.IsWorksheet()) return;
  EditCellFormulas(s, sheet, edit, sheets);
  std::vector<Record> ignored;
  EditConditionalFormats(s.Items(), sheet, edit, sheets, ignored);
  EditValidations(s.Items(), sheet, edit, sheets, ignored);
  EditPageBreaks(s.Items(), sheet, edit);
}

void ApplyRowEdit(Workbook& book, const RowEdit& edit) {
  ExternSheets sheets(book);
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    Sheet& s = book.SheetAt(i);
    if (s.IsWorksheet()) EditCellFormulas(s, i, edit, sheets);
  }
  EditNames(book, edit, sheets);

  Sheet& source = book.SheetAt(edit.Sheet());
  std::vector<Record> moved_formats;
  std::vector<Record> moved_rules;
  if (source.IsWorksheet()) {
    EditConditionalFormats(source.Items(), edit.Sheet(), edit, sheets, moved_formats);
    EditValidations(source.Items(), edit.Sheet(), edit, sheets, moved_rules);
    EditPageBreaks(source.Items(), edit.Sheet(), edit);
  }
  if (!edit.IsDeletion()) {
    Sheet& target = book.SheetAt(edit.TargetSheet());
    std::vector<Record> none;
    EditConditionalFormats(target.Items(), edit.TargetSheet(), edit, sheets, none);
    EditValidations(target.Items(), edit.TargetSheet(), edit, sheets, none);
    AddFormats(target.Items(), std::move(moved_formats));
    AddValidations(target.Items(), std::move(moved_rules));
  }
  sheets.Store();
}

}  // namespace quorlex::automation::workbook
