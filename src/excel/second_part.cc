#include "excel/second_part.h"

#include "excel/sheet_operations.h"

namespace quorlex::excel {

void MoveSecondPart(const ReportWorkbook& report) {
  auto data = report.data;
  bool moved = false;
  for (int j = UsedRowCount(data); j >= 1; --j) {
    if (!IsTitleRow(data, j, report.title)) continue;
    moved = true;
    data.Rows(j, UsedRowCount(data)).Select();
    report.app.Selection().Cut();
    report.progress.SetProgress("Лист: " + data.Name());
    break;
  }
  if (moved) {
    auto second = report.book.Worksheets(2);
    report.progress.AppendProgress("Лист: " + second.Name());
    second.Select();
    second.Cells(1, 1).Select();
    second.Paste();
    second.Cells(1, 1).Select();
  }
  data.Select();
  const int rows = UsedRowCount(data);
  for (int k = 1; k <= rows; ++k) {
    if (k > 1 && IsTitleRow(data, k, report.title)) {
      DeleteRowBand(report.app, data, 1, k - 1);
      break;
    }
  }
  data.Cells(1, 1).Select();
}

}  // namespace quorlex::excel
