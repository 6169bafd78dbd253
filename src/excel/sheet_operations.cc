#include "excel/sheet_operations.h"

#include "platform/text.h"

namespace quorlex::excel {

bool IsTitleRow(const ss::Worksheet& sheet, int row, const std::string& title) {
  return platform::Upper(sheet.Cells(row, 1).Value()) == title;
}

int UsedRowCount(const ss::Worksheet& sheet) { return sheet.UsedRange().Rows().Count(); }

int LastUsedRow(const ss::Worksheet& sheet) {
  const ss::Range used = sheet.UsedRange();
  return used.Row() + used.Rows().Count() - 1;
}

int LastUsedColumn(const ss::Worksheet& sheet) {
  const ss::Range used = sheet.UsedRange();
  return used.Column() + used.Columns().Count() - 1;
}

void DeleteRowBand(ss::Application& app, const ss::Worksheet& sheet, int first, int last) {
  sheet.Rows(first, last).Select();
  app.Selection().Delete();
}

}  // namespace quorlex::excel
