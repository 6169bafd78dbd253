#include "excel/text_wrapping.h"

#include "excel/sheet_operations.h"
#include "platform/text.h"

namespace quorlex::excel {

namespace ss = automation::spreadsheet;

void WrapLongTexts(ss::Workbook& book) {
  const int count = book.Sheets().Count();
  for (int i = 1; i <= count; ++i) {
    const ss::Worksheet sheet = book.Sheets(i);
    const int rows = LastUsedRow(sheet);
    for (int r = 1; r <= rows; ++r) {
      const int columns = LastUsedColumn(sheet);
      for (int c = 1; c <= columns; ++c) {
        const ss::Range cell = sheet.Cells(r, c);
        if (static_cast<double>(platform::Length(cell.Value())) >= cell.ColumnWidth()) {
          cell.SetWrapText(true);
          break;
        }
      }
    }
  }
}

}  // namespace quorlex::excel
