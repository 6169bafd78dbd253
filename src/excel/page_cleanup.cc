#include "excel/page_cleanup.h"

#include "automation/spreadsheet/constants.h"
#include "excel/sheet_operations.h"
#include "platform/text.h"

namespace quorlex::excel {
namespace {

namespace ss = automation::spreadsheet;

std::string MarkerText(const ss::Range& cell) {
  return platform::Upper(platform::Trim(cell.Value()));
}

void ClearCell(const ss::Range& cell) {
  cell.SetValue("");
  for (const int edge : {ss::xlEdgeLeft, ss::xlEdgeTop, ss::xlEdgeRight, ss::xlEdgeBottom}) {
    cell.Borders(edge).SetLineStyle(ss::xlNone);
  }
  cell.Interior().SetColorIndex(ss::xlNone);
}

}  // namespace

MarkerRows ClearMarkerCells(const ss::Worksheet& sheet) {
  MarkerRows found;
  const int rows = LastUsedRow(sheet);
  for (int j = 1; j <= rows; ++j) {
    const int columns = LastUsedColumn(sheet);
    for (int k = 1; k <= columns; ++k) {
      const ss::Range cell = sheet.Cells(j, k);
      if (platform::Contains(MarkerText(cell), "SAVE AS")) {
        found.save_as = j;
        ClearCell(cell);
      }
      if (MarkerText(cell) == "PRINT") {
        found.print = j;
        ClearCell(cell);
      }
    }
    if (found.save_as > 0 && found.print > 0) break;
  }
  return found;
}

void RemoveBlankRows(const ss::Worksheet& sheet, const MarkerRows& markers) {
  int last = markers.print > markers.save_as ? markers.print : markers.save_as;
  int j = 1;
  while (j <= last) {
    const int columns = LastUsedColumn(sheet);
    bool blank = true;
    for (int k = 1; k <= columns && blank; ++k) {
      blank = platform::Trim(sheet.Cells(j, k).Value()).empty();
    }
    if (blank) {
      sheet.Rows(j, j).Delete();
      --last;
    } else {
      ++j;
    }
  }
}

}  // namespace quorlex::excel
