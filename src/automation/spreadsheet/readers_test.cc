// A converter-like run over the object model, its workbook opened by the
// independent readers.

#include <gtest/gtest.h>

#include "automation/spreadsheet/application.h"
#include "automation/spreadsheet/page_paste.h"
#include "automation/testing/command.h"
#include "automation/testing/fixtures.h"
#include "automation/testing/temp_dir.h"
#include "automation/testing/xls_readers.h"

namespace quorlex::automation::spreadsheet {
namespace {

using testing::CheckWithReaders;
using testing::Quote;
using testing::RunCommand;
using testing::TempDir;
using testing::XlsCheck;
using testing::XlsFixture;

page::Grid ClientBlocks(int clients, int rows_per_client) {
  page::Grid g;
  g.formats.resize(2);
  g.formats[1].font.bold = true;
  g.formats[1].bottom = {page::BorderStyle::kThin, page::kAutoColor};
  g.formats[1].fill = 0xCCFFCC;
  g.column_count = 8;
  std::uint32_t r = 0;
  auto text = [&](std::uint32_t row, std::uint32_t col, std::string t, std::uint32_t f = 0) {
    g.cells.push_back({row, col, page::GridCell::Kind::kText, f, 0, std::move(t)});
  };
  text(r++, 0, "SAVE AS XLS", 1);
  for (int c = 0; c < clients; ++c) {
    text(r, 0, "ВЫПИСКА", 1);
    g.merges.push_back({r, 0, r, 5});
    text(r + 2, 6, "Клиент " + std::to_string(c));
    for (int k = 3; k < rows_per_client; ++k) {
      text(r + static_cast<std::uint32_t>(k), 0, "4070281090000000000" + std::to_string(k % 10));
      g.cells.push_back({r + static_cast<std::uint32_t>(k), 1, page::GridCell::Kind::kNumber, 0,
                         c * 1000.5 + k, ""});
    }
    r += static_cast<std::uint32_t>(rows_per_client);
  }
  g.row_count = r;
  return g;
}

TEST(ConverterLikeRun, SavedWorkbookOpensEverywhere) {
  TempDir dir;
  Application app;
  Workbook& book = app.Workbooks().Add(XlsFixture("SimpleWithComments.xls"));
  Worksheet data = book.Worksheets(1);
  data.Select();
  data.Cells(1, 1).Select();
  PasteGrid(book.Model(), data.Model(), 0, 0, ClientBlocks(6, 12));
  Range marker = data.Cells(1, 1);
  marker.SetValue("");
  for (int edge : {xlEdgeLeft, xlEdgeTop, xlEdgeRight, xlEdgeBottom})
    marker.Borders(edge).SetLineStyle(xlNone);
  marker.Interior().SetColorIndex(xlNone);
  data.Rows("1:1").Select();
  app.Selection().Delete();
  data.SetName("Клиент 0");
  // Two clients the literal way, the rest with the band copy.
  for (int c = 1; c <= 2; ++c) {
    data.Copy(book.Sheets(book.Sheets().Count()));
    Worksheet copy = book.Sheets(book.Sheets().Count());
    copy.SetName("Клиент " + std::to_string(c));
    copy.Rows(1, 12 * c).Select();
    app.Selection().Delete();
    copy.Rows(13, copy.UsedRange().Rows().Count()).Select();
    app.Selection().Delete();
  }
  for (int c = 3; c < 6; ++c) {
    auto& engine = book.Model();
    std::size_t i =
        engine.CopySheetRows(engine.IndexOf(data.Model()), static_cast<std::uint32_t>(12 * c),
                             static_cast<std::uint32_t>(12 * c + 11), engine.SheetCount() - 1);
    book.SheetAtIndex(i).SetName("Клиент " + std::to_string(c));
  }
  data.Select();
  data.Rows(13, data.UsedRange().Rows().Count()).Select();
  app.Selection().Delete();
  data.Cells(12, 19).AddComment();
  data.Cells(12, 19).Comment().SetVisible(false);
  data.Cells(12, 19).Comment().Text(
      "В расчете итогового РРР участвуют только положительные РРР по сделкам");
  for (int r = 7; r <= 12; ++r)
    data.Cells(r, 2).SetNumberFormat("#,##0.00000");
  for (int i = 1; i <= book.Sheets().Count(); ++i) {
    Worksheet s = book.Sheets(i);
    for (int r = 1; r <= s.UsedRange().Rows().Count(); ++r) {
      if (static_cast<double>(s.Cells(r, 1).Value().size()) >= s.Cells(r, 1).ColumnWidth())
        s.Cells(r, 1).SetWrapText(true);
    }
  }
  book.Sheets(1).Select();
  book.Sheets(1).Cells(1, 1).Select();
  app.SetDisplayAlerts(false);
  std::string path = dir.File("run.xls");
  book.SaveAs(path, xlWorkbookNormal, xlNoChange);
  book.Close();

  auto values = RunCommand(XlsCheck() + " values " + Quote(path));
  ASSERT_EQ(values.status, 0) << values.output;
  for (int c = 0; c < 6; ++c) {
    std::string name = "Клиент " + std::to_string(c);
    EXPECT_NE(values.output.find(name + "\t0\t0\t'ВЫПИСКА'"), std::string::npos) << name << "\n"
                                                                                 << values.output;
    EXPECT_NE(values.output.find(name + "\t2\t6\t'" + name + "'"), std::string::npos) << name;
  }
  EXPECT_EQ(values.output.find("SAVE AS"), std::string::npos);
  CheckWithReaders(path, "", dir);
}

}  // namespace
}  // namespace quorlex::automation::spreadsheet
