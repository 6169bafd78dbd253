#include "excel/client_split.h"

#include "excel/sheet_operations.h"
#include "excel/test_workbook.h"
#include "platform/error.h"

namespace quorlex::excel {
namespace {

namespace ss = automation::spreadsheet;

using ClientSplit = testing::WorkbookTest;

const std::string kTitle = "ВЫПИСКА";

// A block: its title row, a row, the row naming the client in column 7,
// then `lines` rows of operations.
std::vector<std::vector<std::string>> Block(const std::string& client, int lines) {
  std::vector<std::vector<std::string>> rows = {
      {"Выписка"}, {"за день"}, {"Клиент", "", "", "", "", "", client}};
  for (int i = 1; i <= lines; ++i)
    rows.push_back({client + " " + std::to_string(i)});
  return rows;
}

void Append(std::vector<std::vector<std::string>>& to,
            const std::vector<std::vector<std::string>>& rows) {
  to.insert(to.end(), rows.begin(), rows.end());
}

TEST_F(ClientSplit, OneSheetPerClientInPageOrder) {
  std::vector<std::vector<std::string>> page = {{"Банк"}, {""}};
  Append(page, Block("Альфа", 2));
  Append(page, Block("Бета", 1));
  Append(page, Block("Гамма", 3));
  page.push_back({"Исполнитель"});
  Fill(1, page);
  progress.SetProgress("загрузка файла...");

  SplitByClient(Report("DAYRUR", kTitle));

  ASSERT_EQ(book.Sheets().Count(), 3);
  EXPECT_EQ(book.Sheets(1).Name(), "Альфа");
  EXPECT_EQ(book.Sheets(2).Name(), "Бета");
  EXPECT_EQ(book.Sheets(3).Name(), "Гамма");
  EXPECT_EQ(Column(book.Sheets(1), 1),
            (std::vector<std::string>{"Выписка", "за день", "Клиент", "Альфа 1", "Альфа 2"}));
  EXPECT_EQ(Column(book.Sheets(2), 1),
            (std::vector<std::string>{"Выписка", "за день", "Клиент", "Бета 1"}));
  // The last sheet keeps whatever follows its block on the page.
  EXPECT_EQ(Column(book.Sheets(3), 1),
            (std::vector<std::string>{"Выписка", "за день", "Клиент", "Гамма 1", "Гамма 2",
                                      "Гамма 3", "Исполнитель"}));
  EXPECT_EQ(progress.Text(), "Клиент: Альфа\r\nКлиент: Бета\r\nКлиент: Гамма");
  EXPECT_EQ(book.ActiveSheet(), book.Sheets(1));  // the last sheet cut
}

TEST_F(ClientSplit, OneBlockKeepsEverythingBelowIt) {
  std::vector<std::vector<std::string>> page = {{"Банк"}};
  Append(page, Block("Альфа", 1));
  page.push_back({"Итого"});
  Fill(1, page);
  SplitByClient(Report("DAYREPO", kTitle));
  ASSERT_EQ(book.Sheets().Count(), 1);
  EXPECT_EQ(data.Name(), "Альфа");
  EXPECT_EQ(Column(data, 1),
            (std::vector<std::string>{"Выписка", "за день", "Клиент", "Альфа 1", "Итого"}));
}

// A title row is found by its first cell alone, exactly: a title with a
// space in front does not start a block; one in lower case does.
TEST_F(ClientSplit, BlocksStartAtTitleRowsOnly) {
  std::vector<std::vector<std::string>> page = {{"Банк"}};
  Append(page, Block("Альфа", 1));
  auto spaced = Block("Бета", 1);
  spaced[0][0] = " Выписка";
  Append(page, spaced);
  auto lower = Block("Гамма", 1);
  lower[0][0] = "выписка";
  Append(page, lower);
  Fill(1, page);
  SplitByClient(Report("DAYRUR", kTitle));
  ASSERT_EQ(book.Sheets().Count(), 2);
  EXPECT_EQ(book.Sheets(1).Name(), "Альфа");
  EXPECT_EQ(book.Sheets(2).Name(), "Гамма");
  EXPECT_EQ(UsedRowCount(book.Sheets(1)), 8);  // Бета's rows stay with Альфа
}

TEST_F(ClientSplit, TwoBlocksOfOneClientFail) {
  std::vector<std::vector<std::string>> page = {{"Банк"}};
  Append(page, Block("Альфа", 1));
  Append(page, Block("АЛЬФА", 1));  // in any case
  Fill(1, page);
  EXPECT_THROW(SplitByClient(Report("DAYRUR", kTitle)), Error);
}

// The first block may start in row 1 (its header lines were blank and went
// with the button row): its client keeps a sheet.
TEST_F(ClientSplit, ATitleInRow1StartsTheFirstBlock) {
  std::vector<std::vector<std::string>> page;
  Append(page, Block("Альфа", 1));
  Append(page, Block("Бета", 1));
  Fill(1, page);
  SplitByClient(Report("DAYRUR", kTitle));
  ASSERT_EQ(book.Sheets().Count(), 2);
  EXPECT_EQ(book.Sheets(1).Name(), "Альфа");
  EXPECT_EQ(book.Sheets(2).Name(), "Бета");
  EXPECT_EQ(Column(book.Sheets(1), 1),
            (std::vector<std::string>{"Выписка", "за день", "Клиент", "Альфа 1"}));
}

TEST_F(ClientSplit, ClientNamesBecomeValidSheetNames) {
  std::vector<std::vector<std::string>> page = {{"Банк"}};
  Append(page, Block("ООО «Ромашка»/филиал", 1));
  Append(page, Block("", 1));
  Append(page, Block("ооо «ромашка»_филиал", 1));  // made into the first one's name
  Fill(1, page);
  SplitByClient(Report("DAYREPO", kTitle));
  ASSERT_EQ(book.Sheets().Count(), 3);
  EXPECT_EQ(book.Sheets(1).Name(), "ООО «Ромашка»_филиал");
  EXPECT_EQ(book.Sheets(2).Name(), "Клиент 2");
  EXPECT_EQ(book.Sheets(3).Name(), "ооо «ромашка»_филиал (2)");
  EXPECT_EQ(book.Sheets(1).Cells(3, 7).Value(), "ООО «Ромашка»/филиал");
  EXPECT_EQ(progress.Text(),
            "Клиент: ООО «Ромашка»_филиал\r\nКлиент: Клиент 2\r\nКлиент: ооо «ромашка»_филиал (2)");
}

TEST_F(ClientSplit, APageWithoutATitleRowIsRefused) {
  Fill(1, {{"Банк"}, {"Итого"}});
  EXPECT_THROW(SplitByClient(Report("DAYRUR", kTitle)), Error);
}

}  // namespace
}  // namespace quorlex::excel
