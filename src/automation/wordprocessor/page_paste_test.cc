#include "automation/wordprocessor/page_paste.h"

#include <gtest/gtest.h>

#include "automation/document/sprm.h"
#include "automation/document/table_format.h"
#include "automation/testing/fixtures.h"
#include "automation/word97/reader.h"
#include "automation/wordprocessor/table_layout.h"
#include "automation/wordprocessor/test_page.h"
#include "platform/little_endian.h"
#include "platform/utf16.h"

namespace quorlex::automation::wordprocessor {
namespace {

namespace doc = document;
namespace sprm = document::sprm;
using automation::testing::DocFixture;
using testing::TestCell;
using testing::TestPage;

// The property lists of the character and paragraph at a position of the
// main text.
std::string CharacterAt(const doc::Document& d, std::uint32_t at) {
  return d.character_properties.Get(d.Main().runs[d.Main().RunAt(at)].chpx);
}
std::string_view ParagraphAt(const doc::Document& d, std::uint32_t at) {
  return d.paragraph_properties.Grpprl(d.Main().paragraphs[d.Main().ParagraphAt(at)].papx);
}
std::uint32_t Find(const doc::Document& d, const std::u16string& text) {
  const auto at = d.Main().text.find(text);
  EXPECT_NE(at, std::u16string::npos);
  return static_cast<std::uint32_t>(at);
}

// Cell boundaries of the rows of a table, row by row.
std::vector<std::vector<int>> Boundaries(const doc::Document& d, const doc::TableSpan& table) {
  std::vector<std::vector<int>> out;
  for (const auto& row : table.rows) {
    const auto& end = d.Main().paragraphs[row.end_paragraph - 1];
    out.push_back(doc::CellBoundaries(d.paragraph_properties.Grpprl(end.papx)));
  }
  return out;
}

// The merge flags (0, 0x60 start, 0x20 continue) of the cells of a row.
std::vector<int> Merges(const doc::Document& d, const doc::RowSpan& row) {
  const auto& end = d.Main().paragraphs[row.end_paragraph - 1];
  const auto def = doc::FindLast(d.paragraph_properties.Grpprl(end.papx), sprm::kTDefTable);
  std::vector<int> out;
  const std::size_t count = static_cast<unsigned char>(def->operand[0]);
  for (std::size_t i = 0; i < count; ++i) {
    out.push_back(platform::Get16(def->operand, 1 + (count + 1) * 2 + i * 20) & 0x60);
  }
  return out;
}

TEST(Paste, ParagraphsComeBeforeTheTemplateText) {
  doc::Document d = word97::ReadDocument(DocFixture("simple.doc"));
  TestPage p;
  const page::Page page = p.Build({p.Text("Первый"), p.Text("Второй")});
  const PasteResult r = InsertPage(d, 0, page);
  EXPECT_EQ(d.PlainText(), "Первый\nВторой\nThis is a simple file created with Word 97-SR2.\n");
  EXPECT_EQ(r.inserted, 14u);
  EXPECT_EQ(r.caret, 14u);
  EXPECT_TRUE(d.Main().Consistent());
}

TEST(Paste, LineBreaksStartNewParagraphs) {
  doc::Document d = word97::ReadDocument(DocFixture("empty.doc"));
  TestPage p;
  InsertPage(d, 0, p.Build({p.Text("a\nb"), p.Paragraph({})}));
  EXPECT_EQ(d.PlainText(), "a\nb\n\n\n");
  EXPECT_EQ(d.Main().paragraphs.size(), 4u);
}

TEST(Paste, CharacterFormatsBecomeDirectFormatting) {
  doc::Document d = word97::ReadDocument(DocFixture("simple.doc"));
  TestPage p;
  page::CharFormat f;
  f.font = "Verdana";
  f.size = 14;
  f.bold = true;
  f.color = 0xFF0000;
  f.position = page::VerticalPosition::kSuperscript;
  const std::uint32_t format = p.Char(f);
  ASSERT_FALSE(d.fonts.Find("Verdana"));
  InsertPage(d, 0, p.Build({p.Paragraph({{"plain ", 0}, {"formatted", format}})}));
  const std::string chpx = CharacterAt(d, Find(d, u"formatted"));
  const auto font = d.fonts.Find("Verdana");
  ASSERT_TRUE(font) << "the font is added to the document";
  EXPECT_EQ(doc::FindLast(chpx, sprm::kCRgFtc0)->Word(), *font);
  EXPECT_EQ(doc::FindLast(chpx, sprm::kCHps)->Word(), 28);
  EXPECT_EQ(doc::FindLast(chpx, sprm::kCFBold)->Byte(), 1);
  EXPECT_EQ(doc::FindLast(chpx, sprm::kCCv)->Long(), 0x0000FFu) << "red, stored red first";
  EXPECT_EQ(doc::FindLast(chpx, sprm::kCIco)->Byte(), 6) << "red in the palette";
  EXPECT_TRUE(doc::FindLast(chpx, 0x2A48));
  EXPECT_EQ(CharacterAt(d, 0), "") << "plain text gets no direct formatting";
}

TEST(Paste, HeadingsTakeTheTemplatesHeadingStyle) {
  doc::Document with_styles = word97::ReadDocument(DocFixture("Lists.doc"));
  TestPage p;
  const page::Page page = p.Build({p.Paragraph({{"Заголовок", 0}}, 1), p.Text("текст")});
  InsertPage(with_styles, 0, page);
  const auto& pool = with_styles.paragraph_properties;
  EXPECT_EQ(pool.Istd(with_styles.Main().paragraphs[0].papx), *with_styles.styles.FindBuiltin(1));
  EXPECT_EQ(pool.Istd(with_styles.Main().paragraphs[1].papx), 0);

  doc::Document without = word97::ReadDocument(DocFixture("simple.doc"));
  InsertPage(without, 0, page);
  const auto outline = doc::FindLast(ParagraphAt(without, 0), sprm::kPOutLvl);
  ASSERT_TRUE(outline) << "without a heading style the level is kept as an outline level";
  EXPECT_EQ(outline->Byte(), 0);
}

TEST(Paste, ListItemsGetTheirMarkerAndIndent) {
  doc::Document d = word97::ReadDocument(DocFixture("empty.doc"));
  TestPage p;
  InsertPage(d, 0, p.Build({p.ListItem("one", 1, false, 1), p.ListItem("two", 2, true, 3)}));
  EXPECT_EQ(d.PlainText(), "\u2022\tone\n3.\ttwo\n\n");
  EXPECT_EQ(static_cast<std::int16_t>(doc::FindLast(ParagraphAt(d, 0), sprm::kPDxaLeft80)->Word()),
            360);
  EXPECT_EQ(
      static_cast<std::int16_t>(doc::FindLast(ParagraphAt(d, 0), sprm::kPDxaLeft1_80)->Word()),
      -360);
}

TEST(Paste, MarksInThePageTextDoNotReachTheDocument) {
  doc::Document d = word97::ReadDocument(DocFixture("empty.doc"));
  TestPage p;
  InsertPage(d, 0,
             p.Build({p.Text(std::string("a\x07"
                                         "b\x0c"
                                         "c\r\x13"
                                         "d\te"))}));
  EXPECT_EQ(d.PlainText(), "abcd\te\n\n");
}

TEST(Paste, TablesBecomeTablesWithTheirRowsAndCells) {
  doc::Document d = word97::ReadDocument(DocFixture("simple.doc"));
  TestPage p;
  const page::Page page =
      p.Build({p.Text("до"), p.TextTable({{"a", "b", "c"}, {"d", "", "f"}}), p.Text("после")});
  InsertPage(d, 0, page);
  const auto tables = d.Tables();
  ASSERT_EQ(tables.size(), 1u);
  ASSERT_EQ(tables[0].rows.size(), 2u);
  EXPECT_EQ(d.PlainText().rfind("до\na\tb\tc\t\td\t\tf\t\tпосле\nThis is", 0), 0u);
  const auto bounds = Boundaries(d, tables[0]);
  EXPECT_EQ(bounds[0].size(), 4u);
  EXPECT_EQ(bounds[0], bounds[1]) << "both rows on one grid";
  EXPECT_TRUE(d.Main().Consistent());
}

TEST(Paste, ColumnSpansAreWideCellsAndRowSpansAreVerticalMerges) {
  doc::Document d = word97::ReadDocument(DocFixture("empty.doc"));
  TestPage p;
  TestCell wide{{p.Text("wide")}, 2, 1, 0};
  TestCell tall{{p.Text("tall")}, 1, 2, 0};
  TestCell x{{p.Text("x")}, 1, 1, 0};
  TestCell y{{p.Text("y")}, 1, 1, 0};
  TestCell z{{p.Text("z")}, 1, 1, 0};
  InsertPage(d, 0, p.Build({p.Table({{wide, tall}, {x, y}, {x, y, z}})}));
  const auto tables = d.Tables();
  ASSERT_EQ(tables.size(), 1u);
  ASSERT_EQ(tables[0].rows.size(), 3u);
  const auto b = Boundaries(d, tables[0]);
  ASSERT_EQ(b[0].size(), 3u);  // two cells
  ASSERT_EQ(b[1].size(), 4u);  // x, y and the continued tall cell
  ASSERT_EQ(b[2].size(), 4u);
  EXPECT_EQ(b[0][1], b[2][2]) << "the wide cell covers two columns";
  EXPECT_EQ(b[1], b[2]);
  EXPECT_EQ(Merges(d, tables[0].rows[0]), (std::vector<int>{0, 0x60}));
  EXPECT_EQ(Merges(d, tables[0].rows[1]), (std::vector<int>{0, 0, 0x20}));
  EXPECT_EQ(Merges(d, tables[0].rows[2]), (std::vector<int>{0, 0, 0}));
}

TEST(Paste, NestedTablesStayInTheirCell) {
  doc::Document d = word97::ReadDocument(DocFixture("empty.doc"));
  TestPage p;
  const page::Block inner = p.TextTable({{"1", "2"}});
  TestCell holder{{p.Text("над"), inner}, 1, 1, 0};
  TestCell other{{p.Text("рядом")}, 1, 1, 0};
  InsertPage(d, 0, p.Build({p.Table({{holder, other}})}));
  const auto tables = d.Tables();
  ASSERT_EQ(tables.size(), 1u);
  ASSERT_EQ(tables[0].rows.size(), 1u);
  int deepest = 0;
  for (const auto& para : d.Main().paragraphs) {
    deepest = std::max(deepest, d.paragraph_properties.Marks(para.papx).depth);
  }
  EXPECT_EQ(deepest, 2);
  // The nested table is followed by the outer cell's own end.
  EXPECT_EQ(d.PlainText(), "над\n1\n2\n\n\tрядом\t\t\n");
}

TEST(Paste, TablesThatFollowEachOtherStaySeparate) {
  doc::Document d = word97::ReadDocument(DocFixture("table-merges.doc"));  // starts with a table
  TestPage p;
  InsertPage(d, 0, p.Build({p.TextTable({{"1"}}), p.TextTable({{"2"}})}));
  const auto tables = d.Tables();
  ASSERT_EQ(tables.size(), 3u);
  EXPECT_EQ(tables[0].rows.size(), 1u);
  EXPECT_EQ(tables[1].rows.size(), 1u);
  EXPECT_EQ(tables[2].rows.size(), 4u) << "the template's table is untouched";
  EXPECT_EQ(d.PlainText().substr(0, 10), "1\t\t\n2\t\t\nA\t");
}

TEST(Paste, InsideAParagraphSplitsIt) {
  doc::Document d = word97::ReadDocument(DocFixture("simple.doc"));
  TestPage p;
  const PasteResult r = InsertPage(d, 4, p.Build({p.Text("X")}));
  EXPECT_EQ(d.PlainText(), "This\nX\n is a simple file created with Word 97-SR2.\n");
  EXPECT_EQ(r.inserted, 3u);
  EXPECT_EQ(r.caret, 7u);
}

TEST(Paste, InsideACellTablesNest) {
  doc::Document d = word97::ReadDocument(DocFixture("simple-table.doc"));
  const std::uint32_t at = Find(d, u"Cell 2,2");
  TestPage p;
  InsertPage(d, at, p.Build({p.TextTable({{"n"}})}));
  const auto tables = d.Tables();
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].rows.size(), 2u);
  EXPECT_EQ(
      d.paragraph_properties.Marks(d.Main().paragraphs[d.Main().ParagraphAt(Find(d, u"n\r"))].papx)
          .depth,
      2);
}

TEST(Paste, CellLookBecomesRowProperties) {
  doc::Document d = word97::ReadDocument(DocFixture("empty.doc"));
  TestPage p;
  page::TableCellFormat look;
  look.background = 0xC0C0C0;
  look.top = look.bottom = look.left = look.right = {page::BorderStyle::kThin, page::kAutoColor};
  look.width = {page::Length::Unit::kPoints, 100};
  look.horizontal = page::HorizontalAlignment::kRight;
  const std::uint32_t format = p.Cell(look);
  TestCell a{{p.Text("a")}, 1, 1, format};
  InsertPage(d, 0, p.Build({p.Table({{a, a}}, 0, {true})}));
  const auto tables = d.Tables();
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(Boundaries(d, tables[0])[0],
            (std::vector<int>{-kCellGap / 2, 2000 - kCellGap / 2, 4000 - kCellGap / 2}))
      << "100 pt each";
  const auto& end = d.Main().paragraphs[tables[0].rows[0].end_paragraph - 1];
  const auto grpprl = d.paragraph_properties.Grpprl(end.papx);
  const auto shading = doc::FindLast(grpprl, sprm::kTDefTableShd);
  ASSERT_TRUE(shading);
  EXPECT_EQ(platform::Get32(shading->operand, 4), 0xC0C0C0u);
  const auto def = doc::FindLast(grpprl, sprm::kTDefTable);
  const std::size_t first_tc = 1 + 3 * 2;
  EXPECT_EQ(static_cast<unsigned char>(def->operand[first_tc + 4]), 4) << "thin top line";
  EXPECT_TRUE(doc::FindLast(grpprl, 0x3404)) << "a header row repeats on each page";
  EXPECT_TRUE(doc::FindLast(grpprl, sprm::kTFCantSplit90)) << "a row stays on one page";
  EXPECT_EQ(doc::FindLast(ParagraphAt(d, 0), sprm::kPJc80)->Byte(), 2) << "right aligned";
}

TEST(Paste, RowsWiderThanTheFileAllowsEndInOneLastCell) {
  doc::Document d = word97::ReadDocument(DocFixture("empty.doc"));
  TestPage p;
  std::vector<std::string> wide;
  for (int c = 0; c < 70; ++c)
    wide.push_back("c" + std::to_string(c));
  InsertPage(d, 0, p.Build({p.TextTable({wide, {"short"}})}));
  const auto tables = d.Tables();
  ASSERT_EQ(tables.size(), 1u);
  ASSERT_EQ(tables[0].rows.size(), 2u);
  const auto b = Boundaries(d, tables[0]);
  EXPECT_EQ(b[0].size(), doc::kMaxCells + 1);
  // The row's cell marks match its cells: 63 cell ends and the row end.
  std::size_t marks = 0;
  for (std::size_t i = 0; i < tables[0].rows[0].end_paragraph; ++i) {
    marks += d.Main().text[d.Main().paragraphs[i].end - 1] == doc::mark::kCell ? 1u : 0u;
  }
  EXPECT_EQ(marks, doc::kMaxCells + 1);
  EXPECT_NE(d.PlainText().find("c62\nc63\n"), std::string::npos) << "folded into the last cell";
  EXPECT_NE(d.PlainText().find("c69\t\t"), std::string::npos);
}

TEST(Paste, ColumnsAreSizedByTheirText) {
  doc::Document d = word97::ReadDocument(DocFixture("empty.doc"));
  TestPage p;
  InsertPage(d, 0, p.Build({p.TextTable({{"1", "a much longer text in this column"}})}));
  const auto b = Boundaries(d, d.Tables()[0])[0];
  EXPECT_LT(b[1] - b[0], b[2] - b[1]);
  EXPECT_LE(b[2] - b[0], d.sections[0].Page().TextWidth());
}

}  // namespace
}  // namespace quorlex::automation::wordprocessor
