#include "automation/workbook/row_heights.h"

#include <gtest/gtest.h>

#include "automation/workbook/workbook.h"

namespace quorlex::automation::workbook {
namespace {

class RowHeightsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    book = Workbook::CreateBlank();
    styles = &book->Formats();
    sheet = &book->SheetAt(0);
    wrap = styles->Derive(kDefaultXf, [](Xf& xf) { xf.SetWrap(true); });
    Font big = styles->FontAt(styles->XfAt(kDefaultXf).FontIndex());
    big.height = 240;
    big.weight = 700;
    const std::uint16_t big_font = styles->InternFont(big);
    large = styles->Derive(kDefaultXf, [&](Xf& xf) { xf.SetFontIndex(big_font); });
  }
  std::uint16_t Height(std::uint32_t r) {
    const Row* row = sheet->Cells().RowAt(r);
    return row != nullptr && row->info.own ? row->info.height : sheet->DefaultRowHeight();
  }
  void Text(std::uint32_t r, std::uint16_t c, std::string_view text, std::uint16_t xf) {
    sheet->Cells().SetText(r, c, text);
    sheet->Cells().SetXf(r, c, xf);
  }

  std::unique_ptr<Workbook> book;
  Styles* styles = nullptr;
  Sheet* sheet = nullptr;
  std::uint16_t wrap = 0;
  std::uint16_t large = 0;
};

TEST_F(RowHeightsTest, LineHeightsInStepsOfThreeQuartersOfAPoint) {
  EXPECT_EQ(LineHeight(200), 255);  // 10 pt: 12.75 pt
  EXPECT_EQ(LineHeight(240), 315);  // 12 pt: 15.75 pt
  EXPECT_EQ(LineHeight(280), 360);  // 14 pt: 18 pt
  EXPECT_EQ(LineHeight(8000), 8180);
}

TEST_F(RowHeightsTest, RowsGrowForWrappedTextAndLargeFonts) {
  const std::string long_text(200, 'x');  // far wider than a default column
  Text(0, 0, long_text, wrap);
  Text(1, 0, "short", wrap);
  Text(2, 0, "Заголовок", large);
  Text(3, 0, long_text, kDefaultXf);  // not wrapped: one line
  Text(4, 0, "one\ntwo\nthree", wrap);
  FitRowHeights(*styles, *sheet);
  EXPECT_GT(Height(0), 4 * 255);
  EXPECT_EQ(Height(1), sheet->DefaultRowHeight());
  EXPECT_EQ(Height(2), 315);
  EXPECT_EQ(Height(3), sheet->DefaultRowHeight());
  EXPECT_EQ(Height(4), 3 * 255);
}

TEST_F(RowHeightsTest, FixedRowsMergedWrapsAndTallerRowsStay) {
  const std::string long_text(200, 'x');
  Text(0, 0, long_text, wrap);
  RowInfo& fixed = sheet->Cells().MutableRowInfo(0);
  fixed.own = true;
  fixed.height = 300;
  fixed.flags |= 0x40;  // the template fixed this height
  Text(1, 0, long_text, wrap);
  sheet->AddMerge({1, 1, 0, 5});
  Text(2, 0, "x", kDefaultXf);
  RowInfo& tall = sheet->Cells().MutableRowInfo(2);
  tall.own = true;
  tall.height = 900;
  FitRowHeights(*styles, *sheet);
  EXPECT_EQ(Height(0), 300);
  EXPECT_EQ(Height(1), sheet->DefaultRowHeight());
  EXPECT_EQ(Height(2), 900);
}

// Column widths and line counts worked out by hand from Arial's advance
// widths at 13 pixels to the em (10 pt): digits and most lower-case letters
// 7 pixels, full stop and space 4. A column of width w characters leaves
// w * 7 pixels for text.
TEST_F(RowHeightsTest, LinesCountedWithTheFontsAdvanceWidths) {
  auto column = [&](std::uint16_t col, double characters) {
    sheet->Columns().push_back(
        {col, col, static_cast<std::uint16_t>(characters * 256 + 5 * 256 / 7), kDefaultXf, 0});
  };
  column(0, 10);  // 70 pixels of text
  column(1, 9);   // 63
  column(2, 10);
  column(3, 10);
  // 64 pixels: one line in 70, two in 63.
  Text(0, 0, "07.12.2026", wrap);
  Text(1, 1, "07.12.2026", wrap);
  // "1234 1234" is 28 + 4 + 28 = 60 pixels: one line; "12345 12345 12345"
  // needs 35 + 4 + 35 = 74 for two words, so each word takes a line.
  Text(2, 2, "1234 1234", wrap);
  Text(3, 3, "12345 12345 12345", wrap);
  // Eleven digits (77 pixels) do not fit 70: the word breaks, two lines.
  Text(4, 0, "12345678901", wrap);
  FitRowHeights(*styles, *sheet);
  EXPECT_EQ(Height(0), 255);
  EXPECT_EQ(Height(1), 2 * 255);
  EXPECT_EQ(Height(2), 255);
  EXPECT_EQ(Height(3), 3 * 255);
  EXPECT_EQ(Height(4), 2 * 255);
}

}  // namespace
}  // namespace quorlex::automation::workbook
