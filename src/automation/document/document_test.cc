#include "automation/document/document.h"

#include <gtest/gtest.h>

#include "automation/document/paragraph_format.h"
#include "automation/document/sprm.h"
#include "automation/document/table_format.h"
#include "platform/little_endian.h"

namespace quorlex::automation::document {

using platform::Get16;

namespace {

CellFormat Cell(int width) {
  CellFormat c;
  c.width = width;
  return c;
}

// Builds main text: paragraphs and tables given as rows of cell texts.
class Builder {
 public:
  explicit Builder(Document& d) : d_(d) {}

  Builder& Paragraph(std::u16string_view text) {
    d_.Main().Append(text, 0);
    d_.Main().EndParagraph(mark::kParagraph, 0, 0);
    return *this;
  }

  Builder& Row(const std::vector<std::u16string>& cells, RowFormat format = {}) {
    const std::uint32_t cell_papx =
        d_.paragraph_properties.Intern(0, EncodeParagraphFormat({}, {1, true, false}));
    for (const auto& text : cells) {
      d_.Main().Append(text, 0);
      d_.Main().EndParagraph(mark::kCell, cell_papx, 0);
      if (format.cells.size() < cells.size()) format.cells.push_back(Cell(1000));
    }
    const std::uint32_t end_papx = d_.paragraph_properties.Intern(
        0, EncodeParagraphFormat({}, {1, false, true}) + EncodeRowFormat(format));
    d_.Main().EndParagraph(mark::kCell, end_papx, 0);
    return *this;
  }

 private:
  Document& d_;
};

TEST(DocumentTables, AreFoundInOrderWithTheirRows) {
  Document d;
  Builder(d)
      .Paragraph(u"before")
      .Row({u"a", u"b"})
      .Row({u"c", u"d"})
      .Paragraph(u"between")
      .Row({u"e"})
      .Paragraph(u"after");
  const auto tables = d.Tables();
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables[0].rows.size(), 2u);
  EXPECT_EQ(tables[0].first_paragraph, 1u);
  EXPECT_EQ(tables[0].end_paragraph, 7u);
  EXPECT_EQ(tables[1].rows.size(), 1u);
  EXPECT_EQ(d.PlainText(), "before\na\tb\t\tc\td\t\tbetween\ne\t\tafter\n");
}

TEST(DocumentTables, DeletingARowRemovesItsTextAndMarks) {
  Document d;
  Builder(d).Row({u"a", u"b"}).Row({u"c", u"d"}).Paragraph(u"end");
  d.DeleteRow(StoryKind::kMain, d.Tables()[0], 0);
  EXPECT_EQ(d.PlainText(), "c\td\t\tend\n");
  ASSERT_EQ(d.Tables().size(), 1u);
  EXPECT_EQ(d.Tables()[0].rows.size(), 1u);
  EXPECT_TRUE(d.Main().Consistent());
}

TEST(DocumentTables, DeletingTheOnlyRowRemovesTheTable) {
  Document d;
  Builder(d).Paragraph(u"x").Row({u"a"}).Paragraph(u"y");
  d.DeleteRow(StoryKind::kMain, d.Tables()[0], 0);
  EXPECT_TRUE(d.Tables().empty());
  EXPECT_EQ(d.PlainText(), "x\ny\n");
}

TEST(DocumentTables, TheNextRowStartsMergesThatBeganInTheDeletedRow) {
  Document d;
  RowFormat first;
  first.cells = {Cell(1000), Cell(1000)};
  first.cells[0].merge_start = true;
  RowFormat second;
  second.cells = {Cell(1000), Cell(1000)};
  second.cells[0].merge_continue = true;
  Builder(d).Row({u"a", u"b"}, first).Row({u"", u"d"}, second).Paragraph(u"end");
  d.DeleteRow(StoryKind::kMain, d.Tables()[0], 0);
  const auto tables = d.Tables();
  const Paragraph& row_end = d.Main().paragraphs[tables[0].rows[0].end_paragraph - 1];
  const auto def = FindLast(d.paragraph_properties.Grpprl(row_end.papx), sprm::kTDefTable);
  ASSERT_TRUE(def);
  const std::size_t tc = 1 + 3 * 2;  // count, three boundaries
  const std::uint16_t flags = Get16(def->operand, tc);
  EXPECT_EQ(flags & 0x60, 0x60) << "the first cell now starts the merge";
  EXPECT_EQ(Get16(def->operand, tc + 20) & 0x60, 0) << "the second cell is not merged";
}

TEST(DocumentTables, RowCellBoundariesFollowTheCellWidths) {
  RowFormat row;
  row.left = -108;
  row.cells = {Cell(1000), Cell(2500)};
  EXPECT_EQ(CellBoundaries(EncodeRowFormat(row)), (std::vector<int>{-108, 892, 3392}));
}

TEST(DocumentTables, NestedTablesBelongToTheirCell) {
  Document d;
  const std::uint32_t outer_cell =
      d.paragraph_properties.Intern(0, EncodeParagraphFormat({}, {1, true, false}));
  const std::uint32_t inner_cell =
      d.paragraph_properties.Intern(0, EncodeParagraphFormat({}, {2, true, false}));
  RowFormat inner;
  inner.cells = {Cell(500)};
  const std::uint32_t inner_end = d.paragraph_properties.Intern(
      0, EncodeParagraphFormat({}, {2, false, true}) + EncodeRowFormat(inner));
  RowFormat outer;
  outer.cells = {Cell(1000)};
  const std::uint32_t outer_end = d.paragraph_properties.Intern(
      0, EncodeParagraphFormat({}, {1, false, true}) + EncodeRowFormat(outer));
  Story& m = d.Main();
  m.Append(u"x", 0);
  m.EndParagraph(mark::kParagraph, inner_cell, 0);
  m.EndParagraph(mark::kParagraph, inner_end, 0);
  m.EndParagraph(mark::kCell, outer_cell, 0);
  m.EndParagraph(mark::kCell, outer_end, 0);
  m.EndParagraph(mark::kParagraph, 0, 0);
  const auto tables = d.Tables();
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].rows.size(), 1u);
  EXPECT_EQ(d.paragraph_properties.Marks(inner_end).depth, 2);
  EXPECT_TRUE(d.paragraph_properties.Marks(inner_end).row_end);
}

TEST(DocumentSections, PageSetupHasTheDefaultsOfTheFormat) {
  Section s;
  EXPECT_EQ(s.Page().width, 12240);
  PropertyWriter w;
  w.Word(sprm::kSXaPage, 16838)
      .Word(sprm::kSYaPage, 11906)
      .Byte(sprm::kSBOrientation, 2)
      .Word(sprm::kSDxaLeft, 1134)
      .Word(sprm::kSDxaRight, 850);
  s.properties = w.Take();
  const PageSetup page = s.Page();
  EXPECT_TRUE(page.landscape);
  EXPECT_EQ(page.TextWidth(), 16838 - 1134 - 850);
}

TEST(DocumentFonts, MissingFacesAreAddedOnceWithARecord) {
  FontTable fonts;
  const std::uint16_t arial = fonts.FindOrAdd("Arial");
  EXPECT_EQ(fonts.FindOrAdd("arial"), arial);
  EXPECT_EQ(fonts.FindOrAdd("Courier New"), arial + 1);
  const std::string& record = fonts.fonts()[1].record;
  EXPECT_EQ(static_cast<unsigned char>(record[0]) >> 4, 3) << "fixed pitch family";
  // Name after the fixed part, UTF-16, ending with a zero.
  EXPECT_EQ(record.size(), 39u + 2 * (11 + 1));
}

}  // namespace
}  // namespace quorlex::automation::document
