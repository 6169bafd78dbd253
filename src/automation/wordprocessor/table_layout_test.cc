#include "automation/wordprocessor/table_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace quorlex::automation::wordprocessor {
namespace {

// Arial's published advance widths, in twips at 10 points (200 twips to
// the em): every expected width below is worked out from them by hand.
constexpr double kEm = 200.0 / 2048;
constexpr double kDigit = 1139 * kEm;  // also a, b
constexpr double kC = 1024 * kEm;
constexpr double kW = 1933 * kEm;
constexpr double kSpace = 569 * kEm;

// The width a cell needs for text of `text` twips: a little room for the
// word processor's rounding, and the gap between cells.
int Needs(double text) { return static_cast<int>(text * 1.01 + kMeasureSlack + kCellGap); }

page::Page Page(const std::string& rows) {
  return page::ParsePage("<body style='font-family:Arial;font-size:10pt'><table>" + rows +
                         "</table></body>");
}

ColumnLayout Lay(const std::string& rows, TableRoom room) {
  const page::Page page = Page(rows);
  TableLayout layout(page);
  return layout.Columns(page.tables.back(), room);
}

TEST(TableLayout, ColumnsAsWideAsTheirLinesWhenTheyFit) {
  // A space between digits does not break: "00 00" is one word.
  const ColumnLayout l = Lay("<tr><td>0000</td><td>00 00</td></tr>", {10000, 0, 0});
  EXPECT_EQ(l.widths, (std::vector<int>{Needs(4 * kDigit), Needs(4 * kDigit + kSpace)}));
  EXPECT_EQ(l.shift, 0);
}

TEST(TableLayout, ASpanningCellIsSpreadOverItsColumns) {
  // The header needs 10 W; its columns need one and two digits, and get
  // the rest in proportion to that.
  const ColumnLayout l =
      Lay("<tr><td colspan=2>WWWWWWWWWW</td></tr><tr><td>0</td><td>00</td></tr>", {10000, 0, 0});
  const double one = kDigit * 1.01 + kMeasureSlack + kCellGap;
  const double two = 2 * kDigit * 1.01 + kMeasureSlack + kCellGap;
  const double header = 10 * kW * 1.01 + kMeasureSlack + kCellGap;
  const double extra = header - one - two;
  ASSERT_EQ(l.widths.size(), 2u);
  EXPECT_EQ(l.widths[0], static_cast<int>(one + extra * one / (one + two)));
  EXPECT_EQ(l.widths[1], static_cast<int>(two + extra * two / (one + two)));
}

TEST(TableLayout, NowrapKeepsTheLineWhole) {
  const double line = 4 * kDigit + 4 * kDigit + 4 * kC + 2 * kSpace;
  ASSERT_LT(Needs(4 * kDigit), 1500);
  ASSERT_GT(Needs(line), 1500);
  // Wrapping: the table keeps to the text width, the longest word fits.
  EXPECT_EQ(Lay("<tr><td>aaaa bbbb cccc</td></tr>", {1500, 1134, 1134}).widths,
            (std::vector<int>{1500}));
  // Not wrapping: the line is one word, and the table grows into the
  // right margin for it.
  const ColumnLayout l = Lay("<tr><td nowrap>aaaa bbbb cccc</td></tr>", {1500, 1134, 1134});
  EXPECT_EQ(l.widths, (std::vector<int>{Needs(line)}));
  EXPECT_EQ(l.shift, 0);
}

TEST(TableLayout, GivenWidthsAreKept) {
  // 200 pixels are 150 points; an empty column gets the narrowest width.
  EXPECT_EQ(Lay("<tr><td width=200>0</td><td></td></tr>", {10000, 0, 0}).widths,
            (std::vector<int>{3000, kMinimumColumn}));
  // A table given a width (400 pixels: 6,000 twips) spreads what its lines
  // leave over the columns whose width is not given.
  const ColumnLayout wide =
      Lay("</table><table width=400><tr><td width=100>0</td><td>00</td></tr>", {10000, 0, 0});
  EXPECT_EQ(wide.widths, (std::vector<int>{1500, 4500}));
}

TEST(TableLayout, WordsThatDoNotFitReachIntoTheMarginsThenBreakInTheWidestColumns) {
  const std::string rows = "<tr><td>WWWWWWWWWW</td><td>WWWWW</td><td>00</td></tr>";
  const int ten = Needs(10 * kW);
  const int five = Needs(5 * kW);
  const int two = Needs(2 * kDigit);
  // 3,200 twips of text, 300 more on the left and 200 on the right before
  // the 1 cm at the paper's edge: the words fit by borrowing from the
  // right margin first, then from the left.
  const ColumnLayout fits = Lay(rows, {3200, 567 + 300, 567 + 200});
  EXPECT_EQ(fits.widths, (std::vector<int>{ten, five, two}));
  EXPECT_EQ(fits.shift, ten + five + two - 3200 - 200);
  // 2,500 twips: even with 500 from the margins the words do not fit.
  // Only the widest column gives way, down to where the table fits.
  const ColumnLayout broken = Lay(rows, {2500, 567 + 300, 567 + 200});
  const double level = 3000 - (five + two);
  ASSERT_GT(level, five);
  EXPECT_NEAR(broken.widths[0], level, 2);
  EXPECT_EQ(broken.widths[1], five);
  EXPECT_EQ(broken.widths[2], two);
  EXPECT_LE(broken.widths[0] + broken.widths[1] + broken.widths[2], 3000);
  EXPECT_EQ(broken.shift, 300 - (3000 - broken.widths[0] - broken.widths[1] - broken.widths[2]));
  // A table inside a cell has no margins to borrow from.
  const ColumnLayout inner = Lay(rows, {2500, 0, 0});
  EXPECT_LE(inner.widths[0] + inner.widths[1] + inner.widths[2], 2500);
  EXPECT_EQ(inner.widths[2], two);
}

}  // namespace
}  // namespace quorlex::automation::wordprocessor
