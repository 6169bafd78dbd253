#include "excel/text_wrapping.h"

#include "excel/test_workbook.h"
#include "platform/error.h"

namespace quorlex::excel {
namespace {

namespace ss = automation::spreadsheet;

using TextWrapping = testing::WorkbookTest;

std::vector<bool> Wrapped(const ss::Worksheet& sheet, int row, int columns) {
  std::vector<bool> wrapped;
  for (int c = 1; c <= columns; ++c)
    wrapped.push_back(sheet.Cells(row, c).WrapText());
  return wrapped;
}

// Only the leftmost cell at least as long as its column is wide wraps.
TEST_F(TextWrapping, OnlyTheLeftmostLongCellOfARowWraps) {
  for (int c = 1; c <= 3; ++c)
    SetColumnWidth(data, c, 9);
  Fill(1, {{std::string(3, 'a'), std::string(20, 'b'), std::string(30, 'c')}});
  WrapLongTexts(book);
  EXPECT_EQ(Wrapped(data, 1, 3), (std::vector<bool>{false, true, false}));
}

// A text as long as its column is wide wraps; one character less does not.
TEST_F(TextWrapping, ATextAsLongAsItsColumnIsWideWraps) {
  SetColumnWidth(data, 1, 9);
  SetColumnWidth(data, 2, 9);
  Fill(1, {{"123456789"}, {"12345678", "Сумма: 12"}});
  EXPECT_DOUBLE_EQ(data.Cells(1, 1).ColumnWidth(), 9.0);
  WrapLongTexts(book);
  EXPECT_TRUE(data.Cells(1, 1).WrapText());
  // Characters, not bytes: nine Cyrillic and Latin characters in all.
  EXPECT_EQ(Wrapped(data, 2, 2), (std::vector<bool>{false, true}));
}

TEST_F(TextWrapping, AnEmptyCellWrapsOnlyInAColumnOfNoWidth) {
  Fill(1, {{"", "x"}});
  data.Model().Columns().push_back(
      {0, 0, 2340, automation::workbook::kDefaultXf, 0x0001});  // A hidden
  WrapLongTexts(book);
  EXPECT_EQ(Wrapped(data, 1, 2), (std::vector<bool>{true, false}));
}

TEST_F(TextWrapping, SheetsAddedByATreatmentWrapToo) {
  Fill(1, {{std::string(40, 'x')}});
  data.Copy(data);
  ss::Worksheet copy = book.Sheets(2);
  copy.Cells(3, 2).SetValue(std::string(12, 'y'));
  WrapLongTexts(book);
  EXPECT_TRUE(data.Cells(1, 1).WrapText());
  EXPECT_TRUE(copy.Cells(1, 1).WrapText());
  EXPECT_TRUE(copy.Cells(3, 2).WrapText());
}

TEST_F(TextWrapping, AChartSheetFailsTheConversion) {
  book.Model().AppendSheet(std::make_unique<automation::workbook::Sheet>(
      automation::workbook::SheetKind::kChart, "Диаграмма1"));
  EXPECT_THROW(WrapLongTexts(book), Error);
}

}  // namespace
}  // namespace quorlex::excel
