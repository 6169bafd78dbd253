#include "excel/page_cleanup.h"

#include "excel/test_workbook.h"

namespace quorlex::excel {
namespace {

namespace ss = automation::spreadsheet;

using testing::WorkbookTest;

// A marker cell as the page brings it: a framed, filled button.
void Framed(const ss::Range& cell) {
  for (const int edge : {ss::xlEdgeLeft, ss::xlEdgeTop, ss::xlEdgeRight, ss::xlEdgeBottom}) {
    cell.Borders(edge).SetLineStyle(ss::xlContinuous);
  }
  cell.Interior().SetColorIndex(15);
}

void ExpectCleared(const ss::Range& cell) {
  EXPECT_EQ(cell.Value(), "");
  for (const int edge : {ss::xlEdgeLeft, ss::xlEdgeTop, ss::xlEdgeRight, ss::xlEdgeBottom}) {
    EXPECT_EQ(cell.Borders(edge).LineStyle(), ss::xlNone) << "edge " << edge;
  }
  EXPECT_EQ(cell.Interior().ColorIndex(), ss::xlNone);
}

using MarkerScan = WorkbookTest;

TEST_F(MarkerScan, AMarkerCellLosesItsValueItsBordersAndItsFill) {
  Fill(1, {{"Отчет"}, {"", "  Save As XLS  "}, {"", "", " print "}});
  Framed(data.Cells(2, 2));
  Framed(data.Cells(3, 3));
  const MarkerRows found = ClearMarkerCells(data);
  EXPECT_EQ(found.save_as, 2);
  EXPECT_EQ(found.print, 3);
  ExpectCleared(data.Cells(2, 2));
  ExpectCleared(data.Cells(3, 3));
  EXPECT_EQ(data.Cells(1, 1).Value(), "Отчет");
}

TEST_F(MarkerScan, SaveAsIsFoundInsideATextPrintOnlyAsTheWholeText) {
  Fill(1, {{"Print page", "save as"}, {"PRINTER"}});
  const MarkerRows found = ClearMarkerCells(data);
  EXPECT_EQ(found.save_as, 1);
  EXPECT_EQ(found.print, 0);
  EXPECT_EQ(data.Cells(1, 1).Value(), "Print page");
  EXPECT_EQ(data.Cells(1, 2).Value(), "");
  EXPECT_EQ(data.Cells(2, 1).Value(), "PRINTER");
}

TEST_F(MarkerScan, EveryCellOfARowIsExaminedAndALaterRowReplacesAnEarlierOne) {
  Fill(1, {{"SAVE AS", "x", "SAVE AS"}, {"y"}, {"", "SAVE AS"}});
  const MarkerRows found = ClearMarkerCells(data);
  EXPECT_EQ(found.save_as, 3);  // only one kind: the scan runs to the end
  EXPECT_EQ(found.print, 0);
  EXPECT_EQ(data.Cells(1, 1).Value(), "");
  EXPECT_EQ(data.Cells(1, 3).Value(), "");
  EXPECT_EQ(data.Cells(3, 2).Value(), "");
}

// Once both kinds have been seen the scan ends with that row: a marker text
// further down is part of the report and stays.
TEST_F(MarkerScan, EndsWithTheRowByWhichBothKindsHaveBeenSeen) {
  Fill(1, {{"SAVE AS"}, {"x", "PRINT"}, {"PRINT"}, {"Save as ordered"}});
  Framed(data.Cells(3, 1));
  const MarkerRows found = ClearMarkerCells(data);
  EXPECT_EQ(found.save_as, 1);
  EXPECT_EQ(found.print, 2);
  EXPECT_EQ(data.Cells(3, 1).Value(), "PRINT");
  EXPECT_EQ(data.Cells(3, 1).Interior().ColorIndex(), 15);
  EXPECT_EQ(data.Cells(4, 1).Value(), "Save as ordered");
}

using BlankRowRemoval = WorkbookTest;

TEST_F(BlankRowRemoval, MarkerRowsLeftEmptyGoAndTheRowsBelowMoveUp) {
  Fill(1, {{"Заголовок"}, {"SAVE AS"}, {"", "PRINT"}, {"Данные"}});
  RemoveBlankRows(data, ClearMarkerCells(data));
  EXPECT_EQ(Column(data, 1), (std::vector<std::string>{"Заголовок", "Данные"}));
}

TEST_F(BlankRowRemoval, EveryBlankRowDownToTheLastMarkerRowGoesNoneBelow) {
  Fill(1, {{"Заголовок"}, {"   "}, {"0"}, {"", "PRINT", "SAVE AS"}, {""}, {"", "", ""}, {"Итого"}});
  RemoveBlankRows(data, ClearMarkerCells(data));
  // Row 2 (spaces only) and row 4 (the markers) went; "0" is not blank;
  // the blank rows 5 and 6 below the last marker row stay.
  EXPECT_EQ(Column(data, 1), (std::vector<std::string>{"Заголовок", "0", "", "", "Итого"}));
}

TEST_F(BlankRowRemoval, WithOneMarkerKindTheRemovalReachesItsRow) {
  Fill(1, {{""}, {"a"}, {""}, {""}, {"SAVE AS"}, {""}, {"b"}});
  RemoveBlankRows(data, ClearMarkerCells(data));
  EXPECT_EQ(Column(data, 1), (std::vector<std::string>{"a", "", "b"}));
}

// With column A empty the used range starts at B: the scan and the blank
// test still reach its last column.
TEST_F(BlankRowRemoval, TextInTheLastColumnCountsWhenColumnAIsEmpty) {
  Fill(1, {{"", "Заголовок"}, {"", "", "", "данные"}, {"", "Save As", "", "Print"}, {"", "итог"}});
  const MarkerRows found = ClearMarkerCells(data);
  EXPECT_EQ(found.save_as, 3);
  EXPECT_EQ(found.print, 3);
  RemoveBlankRows(data, found);
  EXPECT_EQ(Column(data, 2), (std::vector<std::string>{"Заголовок", "", "итог"}));
  EXPECT_EQ(data.Cells(2, 4).Value(), "данные");
}

}  // namespace
}  // namespace quorlex::excel
