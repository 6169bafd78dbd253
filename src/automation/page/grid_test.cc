#include "automation/page/grid.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace quorlex::automation::page {
namespace {

const GridCell* At(const Grid& grid, std::uint32_t row, std::uint32_t column) {
  for (const GridCell& c : grid.cells) {
    if (c.row == row && c.column == column) return &c;
  }
  return nullptr;
}

// Checks a cell's value: text, or a number.
void ExpectText(const Grid& grid, std::uint32_t row, std::uint32_t column, std::string_view text) {
  const GridCell* c = At(grid, row, column);
  ASSERT_NE(c, nullptr) << row << "," << column;
  EXPECT_EQ(c->kind, GridCell::Kind::kText) << row << "," << column;
  EXPECT_EQ(c->text, text) << row << "," << column;
}

void ExpectNumber(const Grid& grid, std::uint32_t row, std::uint32_t column, double value) {
  const GridCell* c = At(grid, row, column);
  ASSERT_NE(c, nullptr) << row << "," << column;
  EXPECT_EQ(c->kind, GridCell::Kind::kNumber) << row << "," << column;
  EXPECT_DOUBLE_EQ(c->number, value) << row << "," << column;
}

bool IsDate(const Grid& grid, std::uint32_t row, std::uint32_t column) {
  const GridCell* c = At(grid, row, column);
  return c != nullptr && c->date;
}

void ExpectEmpty(const Grid& grid, std::uint32_t row, std::uint32_t column) {
  const GridCell* c = At(grid, row, column);
  ASSERT_NE(c, nullptr) << row << "," << column;
  EXPECT_EQ(c->kind, GridCell::Kind::kEmpty) << row << "," << column;
}

const CellFormat& FormatAt(const Grid& grid, std::uint32_t row, std::uint32_t column) {
  const GridCell* c = At(grid, row, column);
  if (c == nullptr) {
    ADD_FAILURE() << "no cell at " << row << "," << column;
    return grid.formats[0];
  }
  return grid.formats[c->format];
}

std::string Sides(const CellFormat& f) {
  std::string s;
  if (f.top.style != BorderStyle::kNone) s += 'T';
  if (f.right.style != BorderStyle::kNone) s += 'R';
  if (f.bottom.style != BorderStyle::kNone) s += 'B';
  if (f.left.style != BorderStyle::kNone) s += 'L';
  return s;
}

Grid Lay(std::string_view html) { return LayOutGrid(ParsePage(html)); }

// A report page as the converter renders one: every rule of the paste at
// once.
constexpr std::string_view kReport =
    R"(<html><head><meta charset="windows-1251"><title>Отчёт</title>
<style>
  body { font-family: Arial; font-size: 10pt }
  table.data td { border: 1px solid black }
  .num { text-align: right; mso-number-format: "\#\,\#\#0\.00" }
  .txt { mso-number-format: "\@" }
  #total td { font-weight: bold; background-color: #FFFF99 }
  .hide { display: none }
  th { background: #C0C0C0 }
</style></head>
<body>
<h1>Отчёт за январь</h1>
Строка 1<br>Строка 2
<table class=data>
  <tr><th colspan=2>Клиент</th><th rowspan=2>Сумма</th></tr>
  <tr><th>Счёт</th><th>Имя</th></tr>
  <tr><td class=txt>40817810099910004312</td><td>Иванов<br>Иван</td><td class=num>1 234 567,89</td></tr>
  <tr><td>007</td><td>Петров <span class=hide>скрыто</span><script>x()</script></td><td class=num>-0,5</td></tr>
  <tr id=total><td colspan=2>Итого</td><td>12,5%</td></tr>
</table>
<p>Между таблицами</p>
<table border=1>
  <tr><td>Вложенная:<table><tr><td>a</td><td>b</td></tr><tr><td>c</td><td>d</td></tr></table></td><td>правая</td></tr>
  <tr><td><button>Кнопка</button></td><td><input value="01.02.2026"></td></tr>
</table>
После
</body></html>)";

TEST(Grid, ReportLandsCellByCell) {
  const Grid g = Lay(kReport);
  EXPECT_EQ(g.row_count, 14u);
  EXPECT_EQ(g.column_count, 3u);

  // Text outside tables: a row a block, a row a line.
  ExpectText(g, 0, 0, "Отчёт за январь");
  ExpectText(g, 1, 0, "Строка 1");
  ExpectText(g, 2, 0, "Строка 2");

  // The first table: header rows with spans, then the data.
  ExpectText(g, 3, 0, "Клиент");
  ExpectEmpty(g, 3, 1);  // the rest of the merged area, with its fill
  ExpectText(g, 3, 2, "Сумма");
  ExpectEmpty(g, 4, 2);
  ExpectText(g, 4, 0, "Счёт");
  ExpectText(g, 4, 1, "Имя");
  ExpectText(g, 5, 0, "40817810099910004312");
  ExpectText(g, 5, 1, "Иванов\nИван");
  ExpectNumber(g, 5, 2, 1234567.89);
  ExpectText(g, 6, 0, "007");
  ExpectText(g, 6, 1, "Петров");
  ExpectNumber(g, 6, 2, -0.5);
  ExpectText(g, 7, 0, "Итого");
  ExpectEmpty(g, 7, 1);
  ExpectNumber(g, 7, 2, 0.125);

  ExpectText(g, 8, 0, "Между таблицами");

  // The second table: its first cell holds a table, which widens the
  // first column to two and makes the first row three rows high.
  ExpectText(g, 9, 0, "Вложенная:");
  ExpectEmpty(g, 9, 1);
  ExpectText(g, 10, 0, "a");
  ExpectText(g, 10, 1, "b");
  ExpectText(g, 11, 0, "c");
  ExpectText(g, 11, 1, "d");
  ExpectText(g, 9, 2, "правая");
  ExpectEmpty(g, 10, 2);
  ExpectEmpty(g, 11, 2);
  ExpectText(g, 12, 0, "Кнопка");
  ExpectEmpty(g, 12, 1);
  ExpectNumber(g, 12, 2, 46054);  // a date, shown as on the page
  EXPECT_EQ(FormatAt(g, 12, 2).number_format, "dd.mm.yyyy");

  ExpectText(g, 13, 0, "После");

  EXPECT_EQ(g.merges,
            (std::vector<Merge>{
                {3, 0, 3, 1}, {3, 2, 4, 2}, {7, 0, 7, 1}, {9, 2, 11, 2}, {12, 0, 12, 1}}));
  EXPECT_EQ(g.cells.size(), 32u);
}

TEST(Grid, ReportFormats) {
  const Grid g = Lay(kReport);
  const CellFormat& heading = FormatAt(g, 0, 0);
  EXPECT_EQ(heading.font.font, "Arial");
  EXPECT_EQ(heading.font.size, 20);
  EXPECT_TRUE(heading.font.bold);
  EXPECT_EQ(Sides(heading), "");
  EXPECT_EQ(FormatAt(g, 1, 0).font.size, 10);
  EXPECT_FALSE(FormatAt(g, 1, 0).font.bold);

  const CellFormat& th = FormatAt(g, 3, 0);
  EXPECT_TRUE(th.font.bold);
  EXPECT_EQ(th.horizontal, HorizontalAlignment::kCenter);
  EXPECT_EQ(th.fill, 0xC0C0C0u);
  EXPECT_EQ(Sides(th), "");  // only td has borders here
  EXPECT_EQ(At(g, 3, 1)->format, At(g, 3, 0)->format);

  const CellFormat& account = FormatAt(g, 5, 0);
  EXPECT_EQ(account.number_format, "@");
  EXPECT_EQ(Sides(account), "TRBL");
  EXPECT_EQ(account.top.color, 0x000000u);
  EXPECT_EQ(account.vertical, VerticalAlignment::kBottom);
  EXPECT_TRUE(FormatAt(g, 5, 1).wrap);
  EXPECT_FALSE(FormatAt(g, 6, 1).wrap);
  EXPECT_EQ(FormatAt(g, 5, 2).number_format, "#,##0.00");
  EXPECT_EQ(FormatAt(g, 5, 2).horizontal, HorizontalAlignment::kRight);
  EXPECT_EQ(FormatAt(g, 6, 0).number_format, "");

  const CellFormat& total = FormatAt(g, 7, 2);
  EXPECT_TRUE(total.font.bold);
  EXPECT_EQ(total.fill, 0xFFFF99u);
  EXPECT_EQ(total.number_format, "0.0%");
  EXPECT_EQ(FormatAt(g, 7, 1).fill, 0xFFFF99u);

  // A cell holding a table draws its edges around all it holds.
  EXPECT_EQ(Sides(FormatAt(g, 9, 0)), "TL");
  EXPECT_EQ(Sides(FormatAt(g, 9, 1)), "TR");
  EXPECT_EQ(Sides(FormatAt(g, 10, 0)), "L");
  EXPECT_EQ(Sides(FormatAt(g, 10, 1)), "R");
  EXPECT_EQ(Sides(FormatAt(g, 11, 0)), "BL");
  EXPECT_EQ(Sides(FormatAt(g, 11, 1)), "RB");
  EXPECT_EQ(Sides(FormatAt(g, 9, 2)), "TRBL");
  EXPECT_EQ(Sides(FormatAt(g, 12, 2)), "TRBL");
}

TEST(Grid, NumbersOnlyWhenTheTextReadsAsOne) {
  const Grid g = Lay(R"(<table><tr>
      <td>1 234 567,89<td>1234.5<td>-0,5<td>12,5%<td>1,5E+3<td>&nbsp;42&nbsp;
      <td>40817810099910004312<td>007<td>01.02.2026<td>1,2,3<td>12:30<td><td>&nbsp;
      <td style='mso-number-format:"\@"'>1234<td style='mso-number-format:"0\.000"'>2,5
      <td style='mso-number-format:"0\.000"'>n/a<td style='mso-number-format:Percent'>12,5%</table>)");
  ExpectNumber(g, 0, 0, 1234567.89);
  ExpectNumber(g, 0, 1, 1234.5);
  ExpectNumber(g, 0, 2, -0.5);
  ExpectNumber(g, 0, 3, 0.125);
  ExpectNumber(g, 0, 4, 1500);
  ExpectNumber(g, 0, 5, 42);
  ExpectText(g, 0, 6, "40817810099910004312");
  ExpectText(g, 0, 7, "007");
  ExpectNumber(g, 0, 8, 46054);
  ExpectText(g, 0, 9, "1,2,3");
  ExpectText(g, 0, 10, "12:30");
  EXPECT_EQ(At(g, 0, 11), nullptr);  // empty, no format: not emitted
  ExpectText(g, 0, 12, "\u00A0");
  ExpectText(g, 0, 13, "1234");
  EXPECT_EQ(FormatAt(g, 0, 13).number_format, "@");
  ExpectNumber(g, 0, 14, 2.5);
  EXPECT_EQ(FormatAt(g, 0, 14).number_format, "0.000");
  ExpectText(g, 0, 15, "n/a");
  EXPECT_EQ(FormatAt(g, 0, 15).number_format, "0.000");
  ExpectNumber(g, 0, 16, 0.125);
  EXPECT_EQ(FormatAt(g, 0, 16).number_format, "0.00%");
  EXPECT_EQ(FormatAt(g, 0, 0).number_format, "#,##0.00");  // the look it was written with
  EXPECT_EQ(FormatAt(g, 0, 3).number_format, "0.0%");
  EXPECT_EQ(g.column_count, 17u);
}

// What a spreadsheet in a Russian locale makes of a report's dates and
// accounting negatives on paste, and what keeps text text.
TEST(Grid, DatesAndNegativesAsARussianLocaleReadsThem) {
  const Grid g = Lay(R"(<table><tr>
      <td>07.12.2026<td>07.12.2026 09:30<td>07.12.2026 9:30:15<td>09:30<td>(1 234,56)
      <td style="mso-number-format:General">1 234,50<td style="mso-number-format:General">07.12.2026
      <td style='mso-number-format:"\@"'>07.12.2026<td style='mso-number-format:"\@"'>(1 234,56)
      <td style='mso-number-format:"0\.00"'>07.12.2026<td style="mso-number-format:'Short Date'">07.12.2026
      <td style='mso-number-format:"yyyy\-mm\-dd"'>07.12.2026
      <td>RU000A0JX0J2<td>00120<td>40817810099910004312<td>(код 5)</table>)");
  ExpectNumber(g, 0, 0, 46363);
  EXPECT_TRUE(IsDate(g, 0, 0));
  EXPECT_EQ(FormatAt(g, 0, 0).number_format, "dd.mm.yyyy");
  ExpectNumber(g, 0, 1, 46363 + 9.5 / 24);
  EXPECT_EQ(FormatAt(g, 0, 1).number_format, "dd.mm.yyyy hh:mm");
  EXPECT_EQ(FormatAt(g, 0, 2).number_format, "dd.mm.yyyy h:mm:ss");
  ExpectText(g, 0, 3, "09:30");  // a time alone stays text
  ExpectNumber(g, 0, 4, -1234.56);
  EXPECT_FALSE(IsDate(g, 0, 4));
  EXPECT_EQ(FormatAt(g, 0, 4).number_format, "#,##0.00;(#,##0.00)");
  ExpectNumber(g, 0, 5, 1234.5);
  EXPECT_EQ(FormatAt(g, 0, 5).number_format, "General");
  ExpectNumber(g, 0, 6, 46363);  // a date under General still shows as one
  EXPECT_EQ(FormatAt(g, 0, 6).number_format, "dd.mm.yyyy");
  ExpectText(g, 0, 7, "07.12.2026");
  EXPECT_EQ(FormatAt(g, 0, 7).number_format, "@");
  ExpectText(g, 0, 8, "(1 234,56)");
  EXPECT_EQ(FormatAt(g, 0, 9).number_format, "dd.mm.yyyy");  // not a date format: the date's own
  EXPECT_EQ(FormatAt(g, 0, 10).number_format, "dd.mm.yyyy");
  ExpectNumber(g, 0, 11, 46363);
  EXPECT_EQ(FormatAt(g, 0, 11).number_format, "yyyy-mm-dd");  // the page's own date format
  ExpectText(g, 0, 12, "RU000A0JX0J2");
  ExpectText(g, 0, 13, "00120");
  ExpectText(g, 0, 14, "40817810099910004312");
  ExpectText(g, 0, 15, "(код 5)");
}

TEST(Grid, EmptyCellsShowOnlyAVisibleFormat) {
  const Grid g = Lay(
      R"(<table><tr><td><td style="border-bottom:1px solid"><td bgcolor=red><td style="color:red"></table>)");
  EXPECT_EQ(At(g, 0, 0), nullptr);
  ExpectEmpty(g, 0, 1);
  EXPECT_EQ(Sides(FormatAt(g, 0, 1)), "B");
  ExpectEmpty(g, 0, 2);
  EXPECT_EQ(FormatAt(g, 0, 2).fill, 0xFF0000u);
  EXPECT_EQ(At(g, 0, 3), nullptr);
  EXPECT_EQ(g.cells.size(), 2u);
  EXPECT_EQ(g.column_count, 4u);
  EXPECT_EQ(g.row_count, 1u);
}

TEST(Grid, EveryTableRowIsASheetRow) {
  const Grid g =
      Lay("<table><tr><td>a</tr><tr></tr><tr><td></td></tr><tr><td>b</tr></table><br><br>end");
  ExpectText(g, 0, 0, "a");
  ExpectText(g, 3, 0, "b");
  ExpectText(g, 6, 0, "end");  // two empty lines from the line breaks
  EXPECT_EQ(g.row_count, 7u);
}

TEST(Grid, BlocksInsideACellBecomeLinesOfItsText) {
  const Grid g =
      Lay("<table><tr><td><p>one</p><div>two<br>three</div><ul><li>four</ul></td>"
          "<td><b>Итого:</b> 5</td><td><br></td></table>");
  ExpectText(g, 0, 0, "one\ntwo\nthree\nfour");
  EXPECT_TRUE(FormatAt(g, 0, 0).wrap);
  ExpectText(g, 0, 1, "Итого: 5");
  EXPECT_TRUE(FormatAt(g, 0, 1).font.bold);  // the first run with text gives the font
  EXPECT_EQ(At(g, 0, 2), nullptr);
}

TEST(Grid, NestedTablesSpreadFromTheirCell) {
  // | L | [x y]   | R |
  // |   | [z w]   |   |
  // | a | b (merged over two columns) | c |
  const Grid g = Lay(
      R"(<table><tr><td>L<td bgcolor=yellow><table><tr><td>x<td>y<tr><td>z<td bgcolor=blue>w</table><td>R
      <tr><td>a<td>b<td>c</table>)");
  ExpectText(g, 0, 0, "L");
  ExpectText(g, 0, 1, "x");
  ExpectText(g, 0, 2, "y");
  ExpectText(g, 1, 1, "z");
  ExpectText(g, 1, 2, "w");
  ExpectText(g, 0, 3, "R");
  ExpectText(g, 2, 0, "a");
  ExpectText(g, 2, 1, "b");
  ExpectText(g, 2, 3, "c");
  EXPECT_EQ(FormatAt(g, 0, 1).fill, 0xFFFF00u);  // the outer cell's fill shows behind
  EXPECT_EQ(FormatAt(g, 1, 2).fill, 0x0000FFu);
  EXPECT_EQ(g.merges, (std::vector<Merge>{{0, 0, 1, 0}, {0, 3, 1, 3}, {2, 1, 2, 2}}));
  EXPECT_EQ(g.row_count, 3u);
  EXPECT_EQ(g.column_count, 4u);
}

TEST(Grid, TableFrameShowsOnItsEdgeCells) {
  const Grid g = Lay(
      R"(<table style="border:2px solid red"><tr><td>a<td>b<tr><td>c<td style="border:1px dotted">d</table>)");
  EXPECT_EQ(Sides(FormatAt(g, 0, 0)), "TL");
  EXPECT_EQ(FormatAt(g, 0, 0).top.style, BorderStyle::kMedium);
  EXPECT_EQ(FormatAt(g, 0, 0).top.color, 0xFF0000u);
  EXPECT_EQ(Sides(FormatAt(g, 0, 1)), "TR");
  EXPECT_EQ(Sides(FormatAt(g, 1, 0)), "BL");
  EXPECT_EQ(FormatAt(g, 1, 1).right.style, BorderStyle::kDotted);  // the cell's own wins
}

TEST(Grid, AlignmentsFromCellsAndTheirBlocks) {
  const Grid g = Lay(
      R"(<table><tr valign=top><td align=right>r<td><p style="text-align:center">c</p><td style="vertical-align:middle">m</table>
      <div align=center>body</div>)");
  EXPECT_EQ(FormatAt(g, 0, 0).horizontal, HorizontalAlignment::kRight);
  EXPECT_EQ(FormatAt(g, 0, 0).vertical, VerticalAlignment::kTop);
  EXPECT_EQ(FormatAt(g, 0, 1).horizontal, HorizontalAlignment::kCenter);
  EXPECT_EQ(FormatAt(g, 0, 2).vertical, VerticalAlignment::kCenter);
  EXPECT_EQ(FormatAt(g, 1, 0).horizontal, HorizontalAlignment::kCenter);
  EXPECT_EQ(FormatAt(g, 1, 0).vertical, VerticalAlignment::kBottom);
}

TEST(Grid, CellsAreSortedUniqueAndMergesDisjoint) {
  std::string html = "<table border=1>";
  for (int r = 0; r < 30; ++r) {
    html += "<tr>";
    for (int c = 0; c < 6; ++c) {
      html += "<td";
      if ((r + c) % 7 == 0) html += " rowspan=3";
      if ((r * c) % 5 == 1) html += " colspan=2";
      html += ">";
      if ((r + 2 * c) % 9 == 0) html += "<table border=1><tr><td>n<td>m<tr><td colspan=2>k</table>";
      html += std::to_string(r * 10 + c) + "</td>";
    }
  }
  html += "</table>";
  const Grid g = Lay(html);
  std::set<std::pair<std::uint32_t, std::uint32_t>> seen;
  for (std::size_t i = 0; i < g.cells.size(); ++i) {
    const GridCell& c = g.cells[i];
    EXPECT_TRUE(seen.emplace(c.row, c.column).second) << c.row << "," << c.column;
    if (i > 0) {
      const GridCell& p = g.cells[i - 1];
      EXPECT_TRUE(p.row < c.row || (p.row == c.row && p.column < c.column));
    }
    EXPECT_LT(c.row, g.row_count);
    EXPECT_LT(c.column, g.column_count);
    EXPECT_LT(c.format, g.formats.size());
  }
  for (std::size_t i = 0; i < g.merges.size(); ++i) {
    for (std::size_t j = i + 1; j < g.merges.size(); ++j) {
      const Merge& a = g.merges[i];
      const Merge& b = g.merges[j];
      const bool overlap = a.first_row <= b.last_row && b.first_row <= a.last_row &&
                           a.first_column <= b.last_column && b.first_column <= a.last_column;
      EXPECT_FALSE(overlap) << i << " " << j;
    }
  }
}

TEST(Grid, RowspanZeroReachesTheEndOfItsGroup) {
  const Grid g =
      Lay("<table><tbody><tr><td "
          "rowspan=0>a<td>b<tr><td>c</tbody><tbody><tr><td>d<td>e</tbody></table>");
  ExpectText(g, 0, 0, "a");
  ExpectText(g, 0, 1, "b");
  ExpectText(g, 1, 1, "c");
  ExpectText(g, 2, 0, "d");
  ExpectText(g, 2, 1, "e");
  EXPECT_EQ(g.merges, (std::vector<Merge>{{0, 0, 1, 0}}));
}

TEST(Grid, LinesOutsideTablesReadNumbersToo) {
  const Grid g =
      Lay(R"(<p>1 234,5</p><p style='mso-number-format:"\@"'>1 234,5</p><div>007<br>12,5%</div>)");
  ExpectNumber(g, 0, 0, 1234.5);
  ExpectText(g, 1, 0, "1 234,5");
  EXPECT_EQ(FormatAt(g, 1, 0).number_format, "@");
  ExpectText(g, 2, 0, "007");
  ExpectNumber(g, 3, 0, 0.125);
  EXPECT_EQ(FormatAt(g, 3, 0).number_format, "0.0%");
}

TEST(Grid, AnEmptyPagePastesNothing) {
  const Grid g = Lay("<html><head><style>p{color:red}</style></head><body> </body></html>");
  EXPECT_TRUE(g.cells.empty());
  EXPECT_EQ(g.row_count, 0u);
  EXPECT_EQ(g.column_count, 0u);
  ASSERT_EQ(g.formats.size(), 1u);
  EXPECT_EQ(g.formats[0], CellFormat{});
}

// The measure must agree with the layout, or a page would be refused that
// fits, or let through that does not.
TEST(Grid, MeasureAgreesWithTheLayout) {
  for (const char* html : {
           "",
           "<p>one line",
           "<p>a<br>b<br>c</p><p>d</p>",
           "<h1>Title</h1><table><tr><td>a<td>b<td>c<tr><td colspan=5>wide</table><p>after",
           R"(<table><tr><td>L<td><table><tr><td>x<td>y<tr><td>z<td>w</table><td>R
              <tr><td>a<td>b<td>c</table>)",
           "<table><tr><td rowspan=3>a<td>b<tr><td>c</table><table><tr><td><p>x<p>y<td>z</table>",
       }) {
    const Page page = ParsePage(html);
    const Grid grid = LayOutGrid(page);
    const GridExtent extent = MeasureGrid(page);
    EXPECT_EQ(extent.rows, grid.row_count) << html;
    EXPECT_EQ(extent.columns, grid.column_count) << html;
  }
}

}  // namespace
}  // namespace quorlex::automation::page
