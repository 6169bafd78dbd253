#pragma once

#include <string>
#include <string_view>

#include "automation/spreadsheet/range.h"
#include "automation/workbook/sheet.h"

namespace quorlex::automation::spreadsheet {

class Workbook;

// A sheet of a workbook. Name, Select, Copy and Index work on every sheet;
// the cell members refuse a sheet that is not a worksheet (a chart sheet),
// with "Лист «...» не является рабочим листом".
class Worksheet {
 public:
  Worksheet(Workbook& book, workbook::Sheet& sheet) : book_(&book), sheet_(&sheet) {}

  std::string Name() const;
  // Excel's rules: 1 to 31 characters, none of : \ / ? * [ ], no apostrophe
  // at either end, unique in the workbook regardless of case.
  void SetName(std::string_view name);
  int Index() const;  // position in Sheets, from 1
  bool IsWorksheet() const;

  // Makes the sheet the active one.
  void Select();
  // A copy named "<name> (2)" (or (3)...) placed after `after`, made active.
  void Copy(const Worksheet& after);
  // A copy placed after `after`, named and made active as by Copy, that
  // keeps only rows first..last (from 1), moved up to row 1: what Copy and
  // deleting the other rows of the copy give, in time linear in the band.
  // The copy is returned. Excel has no such member; the per-client split
  // would otherwise copy the whole sheet for every client.
  Worksheet CopyRows(int first, int last, const Worksheet& after);

  Range Cells(int row, int column) const;
  Range UsedRange() const;
  // Whole rows from a band text "first:last" (or "n").
  Range Rows(std::string_view band) const;
  Range Rows(int first, int last) const;

  // Pastes at the active cell: rows cut by Selection().Cut() when there are
  // any (the source rows are left empty), otherwise the page on the
  // process clipboard.
  void Paste();

  // The engine's sheet; refused once the workbook is closed.
  workbook::Sheet& Model() const;
  Workbook& Parent() const { return *book_; }
  bool operator==(const Worksheet& o) const { return sheet_ == o.sheet_; }

 private:
  void RequireWorksheet() const;

  Workbook* book_;
  workbook::Sheet* sheet_;
};

}  // namespace quorlex::automation::spreadsheet
