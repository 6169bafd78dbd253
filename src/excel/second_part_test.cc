#include "excel/second_part.h"

#include "excel/sheet_operations.h"
#include "excel/test_workbook.h"
#include "platform/error.h"

namespace quorlex::excel {
namespace {

namespace ss = automation::spreadsheet;

const std::string kTitle = "СВОДКА";

// The template's two worksheets, the first holding the page.
class SecondPart : public testing::WorkbookTest {
 protected:
  void SetUp() override {
    data.SetName("Сводная");
    data.Copy(data);
    book.Sheets(2).SetName("Детализация");
    data.Select();
  }
};

TEST_F(SecondPart, TheLastTitleRowOnMovesToTheSecondSheet) {
  Fill(1, {{"Банк"}, {"Сводка"}, {"итог 1"}, {"Сводка"}, {"деталь 1"}, {"деталь 2"}});
  progress.SetProgress("загрузка файла...");
  MoveSecondPart(Report("FEE_ZID_1", kTitle));
  const ss::Worksheet second = book.Worksheets(2);
  EXPECT_EQ(Column(second, 1), (std::vector<std::string>{"Сводка", "деталь 1", "деталь 2"}));
  // The first sheet starts at its own title.
  EXPECT_EQ(Column(data, 1), (std::vector<std::string>{"Сводка", "итог 1"}));
  EXPECT_EQ(progress.Text(), "Лист: Сводная\r\nЛист: Детализация");
  EXPECT_EQ(book.ActiveSheet(), data);
}

// With one title row, everything from it moves; the first sheet keeps the
// rows above, having no title left to start at.
TEST_F(SecondPart, ASingleTitleRowMovesItsPartOnly) {
  Fill(1, {{"Банк"}, {"Отделение"}, {"Сводка"}, {"итог 1"}});
  MoveSecondPart(Report("FEE_ZID_1", kTitle));
  EXPECT_EQ(Column(book.Worksheets(2), 1), (std::vector<std::string>{"Сводка", "итог 1"}));
  EXPECT_EQ(Column(data, 1), (std::vector<std::string>{"Банк", "Отделение"}));
}

TEST_F(SecondPart, WithoutATitleRowNothingMoves) {
  Fill(1, {{"Банк"}, {"итог 1"}});
  progress.SetProgress("загрузка файла...");
  MoveSecondPart(Report("FEE_ZID_1", kTitle));
  EXPECT_EQ(Column(data, 1), (std::vector<std::string>{"Банк", "итог 1"}));
  EXPECT_EQ(UsedRowCount(book.Worksheets(2)), 1);
  EXPECT_EQ(book.Worksheets(2).Cells(1, 1).Value(), "");
  EXPECT_EQ(progress.Text(), "загрузка файла...");
}

using SecondPartOneSheet = testing::WorkbookTest;

TEST_F(SecondPartOneSheet, ATemplateWithOneWorksheetFails) {
  Fill(1, {{"Банк"}, {"Сводка"}});
  EXPECT_THROW(MoveSecondPart(Report("FEE_ZID_1", kTitle)), Error);
}

}  // namespace
}  // namespace quorlex::excel
