#include "excel/sheet_operations.h"

#include "excel/test_workbook.h"

namespace quorlex::excel {
namespace {

using SheetOperations = testing::WorkbookTest;

// The cell is upper-cased, not trimmed, and compared whole with the title
// (already trimmed and upper-cased).
TEST_F(SheetOperations, TitleRowRules) {
  Fill(1, {{"Выписка по счету"},
           {" ВЫПИСКА ПО СЧЕТУ"},
           {"ВЫПИСКА ПО СЧЕТУ "},
           {"ВЫПИСКА ПО СЧЕТУ И ВКЛАДУ"},
           {"", "ВЫПИСКА ПО СЧЕТУ"},
           {"ВЫПИСКА ПО СЧЕТУ"}});
  const std::string title = "ВЫПИСКА ПО СЧЕТУ";
  EXPECT_TRUE(IsTitleRow(data, 1, title));
  EXPECT_FALSE(IsTitleRow(data, 2, title));
  EXPECT_FALSE(IsTitleRow(data, 3, title));
  EXPECT_FALSE(IsTitleRow(data, 4, title));
  EXPECT_FALSE(IsTitleRow(data, 5, title));  // only column 1 counts
  EXPECT_TRUE(IsTitleRow(data, 6, title));
}

// A report code without a title has the empty title: every row whose first
// cell is empty is then a title row.
TEST_F(SheetOperations, WithNoTitleEveryRowEmptyInColumnOneIsATitleRow) {
  Fill(1, {{"a"}, {"", "b"}});
  EXPECT_FALSE(IsTitleRow(data, 1, ""));
  EXPECT_TRUE(IsTitleRow(data, 2, ""));
  EXPECT_TRUE(IsTitleRow(data, 9, ""));
}

TEST_F(SheetOperations, UsedRowCountCountsFromTheFirstUsedRow) {
  EXPECT_EQ(UsedRowCount(data), 1);  // an empty sheet
  Fill(3, {{"a"}, {""}, {"b"}});
  EXPECT_EQ(UsedRowCount(data), 3);
}

TEST_F(SheetOperations, DeleteRowBandMovesTheRowsBelowUp) {
  Fill(1, {{"1"}, {"2"}, {"3"}, {"4"}, {"5"}});
  DeleteRowBand(app, data, 2, 3);
  EXPECT_EQ(Column(data, 1), (std::vector<std::string>{"1", "4", "5"}));
  DeleteRowBand(app, data, 1, 1);
  EXPECT_EQ(Column(data, 1), (std::vector<std::string>{"4", "5"}));
}

}  // namespace
}  // namespace quorlex::excel
