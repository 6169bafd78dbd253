#include "excel/fixed_cells.h"

#include "excel/sheet_operations.h"
#include "excel/test_workbook.h"
#include "platform/error.h"

namespace quorlex::excel {
namespace {

using FixedCells = testing::WorkbookTest;

const std::string kNote = "В расчете итогового РРР участвуют только положительные РРР по сделкам";

TEST_F(FixedCells, ClearingReportFormatsColumnsJAndQFromRowSevenAndNotesTheLastRow) {
  for (int r = 1; r <= 12; ++r)
    data.Cells(r, 1).SetValue(std::to_string(r));
  FormatClearingReport(Report("RMSDAYCLR", ""));
  EXPECT_EQ(data.Cells(6, 10).NumberFormat(), "General");
  for (int r = 7; r <= 12; ++r) {
    EXPECT_EQ(data.Cells(r, 10).NumberFormat(), "#,##0.00000") << r;
    EXPECT_EQ(data.Cells(r, 17).NumberFormat(), "#,##0.00000") << r;
  }
  EXPECT_EQ(data.Cells(13, 10).NumberFormat(), "General");
  ASSERT_TRUE(data.Cells(12, 19).HasComment());
  EXPECT_FALSE(data.Cells(12, 19).Comment().Visible());
  EXPECT_EQ(data.Cells(12, 19).Comment().Text(), kNote);
}

TEST_F(FixedCells, AShortClearingReportGetsOnlyTheNote) {
  Fill(1, {{"a"}, {"b"}, {"c"}, {"d"}, {"e"}});
  FormatClearingReport(Report("RMSDAYCLR", ""));
  for (int r = 1; r <= 6; ++r)
    EXPECT_EQ(data.Cells(r, 10).NumberFormat(), "General");
  EXPECT_TRUE(data.Cells(5, 19).HasComment());
}

TEST_F(FixedCells, ANoteAlreadyThereFailsTheClearingReport) {
  Fill(1, {{"a"}, {"b"}});
  data.Cells(2, 19).AddComment("из шаблона");
  EXPECT_THROW(FormatClearingReport(Report("RMSDAYCLR", "")), Error);
}

TEST_F(FixedCells, FeeReportFormatsItsFourCellsWhateverThePageHolds) {
  FormatFeeReport(Report("DAYFEEGZP", ""));
  EXPECT_EQ(data.Cells(8, 5).NumberFormat(), "#,##0.0000");
  EXPECT_EQ(data.Cells(9, 5).NumberFormat(), "#,##0.00000");
  EXPECT_EQ(data.Cells(10, 5).NumberFormat(), "#,##0.00000");
  EXPECT_EQ(data.Cells(10, 8).NumberFormat(), "#,##0.00000");
  EXPECT_EQ(data.Cells(10, 6).NumberFormat(), "General");
}

}  // namespace
}  // namespace quorlex::excel
