#include "excel/fixed_cells.h"

#include "excel/sheet_operations.h"

namespace quorlex::excel {
namespace {

constexpr const char* kFourDecimals = "#,##0.0000";
constexpr const char* kFiveDecimals = "#,##0.00000";
constexpr const char* kTotalNote =
    "В расчете итогового РРР участвуют только положительные РРР по сделкам";
constexpr int kColumnJ = 10, kColumnQ = 17, kColumnS = 19;

}  // namespace

void FormatClearingReport(const ReportWorkbook& report) {
  auto data = report.data;
  const int rows = UsedRowCount(data);
  for (int j = 7; j <= rows; ++j) {
    data.Cells(j, kColumnJ).SetNumberFormat(kFiveDecimals);
    data.Cells(j, kColumnQ).SetNumberFormat(kFiveDecimals);
  }
  data.Cells(UsedRowCount(data), kColumnS).AddComment();
  data.Cells(UsedRowCount(data), kColumnS).Comment().SetVisible(false);
  data.Cells(UsedRowCount(data), kColumnS).Comment().Text(kTotalNote);
}

void FormatFeeReport(const ReportWorkbook& report) {
  auto data = report.data;
  data.Cells(8, 5).SetNumberFormat(kFourDecimals);
  data.Cells(9, 5).SetNumberFormat(kFiveDecimals);
  data.Cells(10, 5).SetNumberFormat(kFiveDecimals);
  data.Cells(10, 8).SetNumberFormat(kFiveDecimals);
}

}  // namespace quorlex::excel
