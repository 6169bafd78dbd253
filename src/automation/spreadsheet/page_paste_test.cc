#include "automation/spreadsheet/page_paste.h"

#include <gtest/gtest.h>

#include "automation/biff8/writer.h"
#include "automation/testing/command.h"
#include "automation/testing/temp_dir.h"
#include "automation/testing/xls_readers.h"

namespace quorlex::automation::spreadsheet {
namespace {

page::Grid SampleGrid() {
  page::Grid g;
  g.formats.resize(3);
  g.formats[1].font.bold = true;
  g.formats[1].font.size = 14;
  g.formats[1].font.font = "Times New Roman";
  g.formats[1].fill = 0xFFFF00;  // in the palette
  g.formats[1].horizontal = page::HorizontalAlignment::kCenter;
  g.formats[1].top = {page::BorderStyle::kThin, page::kAutoColor};
  g.formats[1].bottom = {page::BorderStyle::kDouble, 0xFF0000};
  g.formats[2].fill = 0x123456;  // nowhere near the palette
  g.formats[2].number_format = "@";
  g.formats[2].wrap = true;
  g.row_count = 3;
  g.column_count = 3;
  auto cell = [](std::uint32_t r, std::uint32_t c, page::GridCell::Kind k, std::uint32_t f,
                 double n, std::string t) {
    page::GridCell x;
    x.row = r;
    x.column = c;
    x.kind = k;
    x.format = f;
    x.number = n;
    x.text = std::move(t);
    return x;
  };
  g.cells = {cell(0, 0, page::GridCell::Kind::kText, 1, 0, "Заголовок"),
             cell(1, 0, page::GridCell::Kind::kNumber, 0, 1234567.89, ""),
             cell(1, 1, page::GridCell::Kind::kText, 2, 0, "00123\nвторая строка"),
             cell(2, 2, page::GridCell::Kind::kEmpty, 1, 0, "")};
  g.merges = {{0, 0, 0, 2}};
  return g;
}

TEST(PasteGrid, ValuesMergesAndFormatsLandAtTheTarget) {
  auto book = workbook::Workbook::CreateBlank();
  auto& sheet = book->SheetAt(0);
  sheet.Columns().push_back({1, 1, 5000, workbook::kDefaultXf, 0});
  sheet.Cells().SetText(5, 3, "old");  // inside the rectangle: goes
  sheet.Cells().SetText(8, 3, "kept");
  PasteGrid(*book, sheet, 4, 2, SampleGrid());  // at C5

  const auto& cells = sheet.Cells();
  const workbook::Cell* title = cells.Find(4, 2);
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(cells.Text(*title), "Заголовок");
  const auto& styles = book->Formats();
  const workbook::Xf& xf = styles.XfAt(title->xf);
  const workbook::Font& font = styles.FontAt(xf.FontIndex());
  EXPECT_TRUE(font.Bold());
  EXPECT_EQ(font.height, 280);
  EXPECT_EQ(font.name, "Times New Roman");
  EXPECT_EQ(xf.Pattern(), 1);
  EXPECT_EQ(styles.Colors()[xf.PatternColor() - 8], 0xFFFF00u);
  EXPECT_EQ(xf.Horizontal(), workbook::HAlign::kCenter);
  EXPECT_EQ(xf.Border(workbook::Edge::kTop), workbook::LineStyle::kThin);
  EXPECT_EQ(xf.Border(workbook::Edge::kBottom), workbook::LineStyle::kDouble);
  EXPECT_EQ(styles.Colors()[xf.BorderColor(workbook::Edge::kBottom) - 8], 0xFF0000u);

  const workbook::Cell* number = cells.Find(5, 2);
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(number->kind, workbook::CellKind::kNumber);
  EXPECT_DOUBLE_EQ(cells.Number(*number), 1234567.89);
  EXPECT_EQ(number->xf, workbook::kDefaultXf);

  const workbook::Cell* code = cells.Find(5, 3);
  ASSERT_NE(code, nullptr);
  EXPECT_EQ(cells.Text(*code), "00123\nвторая строка");
  const workbook::Xf& code_xf = styles.XfAt(code->xf);
  EXPECT_TRUE(code_xf.Wrap());
  EXPECT_EQ(styles.FormatCode(code_xf.FormatIndex()), "@");
  // A colour far from every palette entry takes a free slot of a custom palette.
  EXPECT_TRUE(styles.HasCustomPalette());
  EXPECT_EQ(styles.Colors()[code_xf.PatternColor() - 8], 0x123456u);

  EXPECT_NE(cells.Find(6, 4), nullptr);  // format only
  EXPECT_EQ(cells.Find(6, 4)->kind, workbook::CellKind::kBlank);
  EXPECT_EQ(cells.Find(5, 4), nullptr);
  EXPECT_EQ(cells.Text(*cells.Find(8, 3)), "kept");
  EXPECT_EQ(sheet.Merges(), (std::vector<workbook::Area>{{4, 4, 2, 4}}));
  EXPECT_EQ(sheet.Columns().size(), 1u);
  EXPECT_EQ(sheet.Columns()[0].width, 5000);

  testing::TempDir dir;
  std::string path = dir.File("paste.xls");
  biff8::WriteWorkbook(*book, path);
  auto dump = testing::RunCommand(testing::XlsCheck() + " dump " + testing::Quote(path));
  ASSERT_EQ(dump.status, 0) << dump.output;
  EXPECT_NE(dump.output.find("Times New Roman"), std::string::npos);
  EXPECT_NE(dump.output.find("1234567.89"), std::string::npos);
}

}  // namespace
}  // namespace quorlex::automation::spreadsheet
