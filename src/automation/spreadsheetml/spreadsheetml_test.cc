#include <gtest/gtest.h>

#include "automation/package/package.h"
#include "automation/spreadsheetml/names.h"
#include "automation/spreadsheetml/reader.h"
#include "automation/spreadsheetml/source.h"
#include "automation/spreadsheetml/writer.h"
#include "automation/spreadsheetml/xml_util.h"
#include "automation/testing/fixtures.h"
#include "platform/error.h"

namespace quorlex::automation::spreadsheetml {
namespace {

using testing::DocTestName;
using testing::kXlsxFixtures;
using testing::XlsxFixture;

std::unique_ptr<workbook::Workbook> Reread(const workbook::Workbook& book) {
  return ReadWorkbook(
      package::Package::FromBytes(WorkbookPackage(book).SaveToBytes(), "written.xlsx"),
      "written.xlsx");
}

// What a cell holds, as text, for comparing two reads.
std::string CellText(const workbook::CellStore& cells, const workbook::Cell& c) {
  switch (c.kind) {
    case workbook::CellKind::kNumber: return "n:" + std::to_string(cells.Number(c));
    case workbook::CellKind::kText: return "s:" + std::string(cells.Text(c));
    case workbook::CellKind::kRichText:
      return "r:" + std::string(cells.Text(c)) + "/" + std::to_string(cells.Runs(c).size());
    case workbook::CellKind::kBoolean: return "b:" + std::to_string(c.payload);
    case workbook::CellKind::kError: return "e:" + std::to_string(c.payload);
    case workbook::CellKind::kFormula: {
      const auto body = workbook::FormulaBody::Decode(cells.Blob(c));
      std::string f;
      for (const auto& a : body.attached)
        f.assign(a.data.begin(), a.data.end());
      return "f:" + f + "=" + body.cached_text;
    }
    default: return "-";
  }
}

class FixtureRoundTrip : public ::testing::TestWithParam<const char*> {};

// Every Excel-made workbook reads, writes a consistent package, and reads
// back to the same sheets, cells, formats, merges, columns and notes.
TEST_P(FixtureRoundTrip, WrittenBackTheSame) {
  const auto book = ReadWorkbookFile(XlsxFixture(GetParam()));
  const package::Package written = WorkbookPackage(*book);
  EXPECT_TRUE(written.Inconsistencies().empty());
  const auto back = Reread(*book);
  ASSERT_EQ(back->SheetCount(), book->SheetCount());
  EXPECT_EQ(back->ActiveSheet(), book->ActiveSheet());
  EXPECT_EQ(back->Formats().Fonts(), book->Formats().Fonts());
  EXPECT_EQ(back->Formats().Formats(), book->Formats().Formats());
  ASSERT_EQ(back->Formats().XfCount(), book->Formats().XfCount());
  for (std::size_t x = 0; x < book->Formats().XfCount(); ++x) {
    EXPECT_TRUE(back->Formats().XfAt(static_cast<std::uint16_t>(x)) ==
                book->Formats().XfAt(static_cast<std::uint16_t>(x)))
        << x;
  }
  for (std::size_t i = 0; i < book->SheetCount(); ++i) {
    const workbook::Sheet& a = book->SheetAt(i);
    const workbook::Sheet& b = back->SheetAt(i);
    EXPECT_EQ(a.Name(), b.Name());
    EXPECT_EQ(a.Kind(), b.Kind());
    EXPECT_EQ(a.Merges(), b.Merges());
    EXPECT_EQ(a.Columns(), b.Columns());
    EXPECT_EQ(a.DefaultRowHeight(), b.DefaultRowHeight());
    ASSERT_EQ(a.Cells().RowCount(), b.Cells().RowCount()) << a.Name();
    for (std::uint32_t r = 0; r < a.Cells().RowCount(); ++r) {
      const workbook::Row& ra = a.Cells().Rows()[r];
      const workbook::Row& rb = b.Cells().Rows()[r];
      EXPECT_EQ(ra.info, rb.info) << a.Name() << " row " << r;
      ASSERT_EQ(ra.cells.size(), rb.cells.size()) << a.Name() << " row " << r;
      for (std::size_t k = 0; k < ra.cells.size(); ++k) {
        EXPECT_EQ(ra.cells[k].col, rb.cells[k].col);
        EXPECT_EQ(ra.cells[k].xf, rb.cells[k].xf);
        EXPECT_EQ(CellText(a.Cells(), ra.cells[k]), CellText(b.Cells(), rb.cells[k]));
      }
    }
    ASSERT_EQ(a.Art().Shapes().size(), b.Art().Shapes().size());
    for (std::size_t s = 0; s < a.Art().Shapes().size(); ++s) {
      const auto& na = a.Art().Shapes()[s].note;
      const auto& nb = b.Art().Shapes()[s].note;
      ASSERT_EQ(na.has_value(), nb.has_value());
      if (!na) continue;
      EXPECT_EQ(na->row, nb->row);
      EXPECT_EQ(na->col, nb->col);
      EXPECT_EQ(na->text, nb->text);
      EXPECT_EQ(na->author, nb->author);
      EXPECT_EQ(na->visible, nb->visible);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureRoundTrip, ::testing::ValuesIn(kXlsxFixtures),
                         DocTestName);

constexpr std::string_view kWorkbook =
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<bookViews><workbookView activeTab=\"0\"/></bookViews>"
    "<sheets><sheet name=\"Отчет\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
    "<definedNames><definedName name=\"_xlnm.Print_Titles\" "
    "localSheetId=\"0\">Отчет!$1:$2</definedName>"
    "</definedNames></workbook>";
constexpr std::string_view kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"1\"><font><sz val=\"10\"/><name val=\"Arial\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill "
    "patternType=\"gray125\"/></fill></fills><borders count=\"1\"><border/></borders>"
    "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellXfs>"
    "</styleSheet>";
constexpr std::string_view kSheet =
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>"
    "<sheetFormatPr defaultRowHeight=\"12.75\"/><cols><col min=\"1\" max=\"2\" width=\"20.5\" "
    "customWidth=\"1\"/></cols><sheetData><row r=\"1\"><c r=\"A1\" "
    "t=\"inlineStr\"><is><t>Заголовок</t></is></c>"
    "</row><row r=\"3\" ht=\"30\" customHeight=\"1\"><c r=\"B3\"><v>1.5</v></c><c "
    "r=\"C3\"><f>B3*2</f>"
    "<v>3</v></c></row></sheetData><mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells>"
    "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
    "footer=\"0.3\"/>"
    "<headerFooter><oddHeader>&amp;CОтчет</oddHeader></headerFooter></worksheet>";

// A template of one sheet, as a package made here.
package::Package SmallTemplate() {
  package::Package pkg;
  pkg.Types().SetDefault("rels", "application/vnd.openxmlformats-package.relationships+xml");
  pkg.Write("/xl/workbook.xml", std::string(kWorkbook), content_type::kTemplate);
  pkg.Write("/xl/styles.xml", std::string(kStyles), content_type::kStyles);
  pkg.Write("/xl/worksheets/sheet1.xml", std::string(kSheet), content_type::kWorksheet);
  pkg.RelationshipsOf("/").Add(relationship::kOfficeDocument, "xl/workbook.xml");
  pkg.RelationshipsOf("/xl/workbook.xml").Add(relationship::kWorksheet, "worksheets/sheet1.xml");
  pkg.RelationshipsOf("/xl/workbook.xml").Add(relationship::kStyles, "styles.xml");
  return pkg;
}

const std::string& PartOf(const package::Package& pkg, const std::string& name) {
  return pkg.Read(name);
}

// The parts made from the model, exactly: a template's cells, rows,
// columns, merges and settings written back, a copy of its sheet with its
// own print titles, a new format deduplicated, a note with its shape.
TEST(SmallWorkbook, PartsAsWritten) {
  auto book = ReadWorkbook(SmallTemplate(), "small.xltx");
  ASSERT_EQ(book->SheetCount(), 1u);
  const std::uint16_t bold = book->Formats().Derive(workbook::kDefaultXf, [&](workbook::Xf& xf) {
    workbook::Font font = book->Formats().FontAt(0);
    font.weight = 700;
    xf.SetFontIndex(book->Formats().InternFont(font));
    xf.SetWrap(true);
  });
  book->SheetAt(0).Cells().SetText(4, 0, "итог");
  book->SheetAt(0).Cells().SetXf(4, 0, bold);
  book->SheetAt(0).Art().AddNote(4, 0, "quorlex").note->text = "Примечание";
  book->CopySheet(0, 0);
  book->RenameSheet(1, "Копия");
  book->SetActiveSheet(0);
  const package::Package out =
      package::Package::FromBytes(WorkbookPackage(*book).SaveToBytes(), "small.xlsx");
  EXPECT_TRUE(out.Inconsistencies().empty());
  EXPECT_EQ(out.ContentTypeOf("/xl/workbook.xml"), content_type::kWorkbook);
  EXPECT_EQ(
      PartOf(out, "/xl/worksheets/sheet1.xml"),
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      "<dimension ref=\"A1:C5\"/><sheetViews><sheetView tabSelected=\"1\" "
      "workbookViewId=\"0\"/></sheetViews>"
      "<sheetFormatPr defaultRowHeight=\"12.75\"/><cols><col min=\"1\" max=\"2\" width=\"20.5\" "
      "customWidth=\"1\"/></cols><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"
      "<row r=\"3\" ht=\"30\" customHeight=\"1\"><c r=\"B3\"><v>1.5</v></c><c "
      "r=\"C3\"><f>B3*2</f><v>3</v></c>"
      "</row><row r=\"5\"><c r=\"A5\" s=\"1\" t=\"s\"><v>1</v></c></row></sheetData><mergeCells "
      "count=\"1\">"
      "<mergeCell ref=\"A1:B1\"/></mergeCells><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" "
      "bottom=\"0.75\" header=\"0.3\" "
      "footer=\"0.3\"/><headerFooter><oddHeader>&amp;CОтчет</oddHeader>"
      "</headerFooter><legacyDrawing "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
      "relationships\" r:id=\"rId1\"/></worksheet>");
  // The copy: not selected, its own note.
  EXPECT_NE(PartOf(out, "/xl/worksheets/sheet2.xml").find("<sheetView workbookViewId=\"0\"/>"),
            std::string::npos);
  EXPECT_EQ(PartOf(out, "/xl/sharedStrings.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
            "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"4\" "
            "uniqueCount=\"2\"><si><t>Заголовок</t></si><si><t>итог</t></si></sst>");
  const std::string& styles = PartOf(out, "/xl/styles.xml");
  EXPECT_NE(
      styles.find("<fonts count=\"2\"><font><sz val=\"10\"/><name val=\"Arial\"/></font><font><b/>"
                  "<sz val=\"10\"/><name val=\"Arial\"/></font></fonts>"),
      std::string::npos)
      << styles;
  EXPECT_NE(
      styles.find(
          "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
          "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\" "
          "applyAlignment=\"1\"><alignment wrapText=\"1\"/></xf></cellXfs>"),
      std::string::npos)
      << styles;
  const std::string& workbook_part = PartOf(out, "/xl/workbook.xml");
  EXPECT_NE(workbook_part.find(
                "<definedNames><definedName name=\"_xlnm.Print_Titles\" localSheetId=\"0\">"
                "Отчет!$1:$2</definedName><definedName name=\"_xlnm.Print_Titles\" "
                "localSheetId=\"1\">Копия!$1:$2</definedName></definedNames>"),
            std::string::npos)
      << workbook_part;
  const std::string& comments = PartOf(out, "/xl/comments1.xml");
  EXPECT_NE(
      comments.find("<authors><author>quorlex</author></authors><commentList><comment ref=\"A5\" "
                    "authorId=\"0\"><text><t>Примечание</t></text></comment></commentList>"),
      std::string::npos);
  const std::string& vml = PartOf(out, "/xl/drawings/vmlDrawing1.vml");
  EXPECT_NE(vml.find("visibility:hidden"), std::string::npos);
  EXPECT_NE(vml.find("<x:Row>4</x:Row>"), std::string::npos);
  EXPECT_EQ(vml.find("<x:Visible/>"), std::string::npos);
}

// A copy of a sheet with a chart owns a copy of its drawing and chart.
TEST(Copies, SheetCopyOwnsItsDrawingAndChart) {
  auto book = ReadWorkbookFile(XlsxFixture("WithChart.xlsx"));
  const std::size_t charted = book->FindSheet("Sheet2");
  ASSERT_NE(charted, std::string::npos);
  book->CopySheet(charted, charted);
  const package::Package out =
      package::Package::FromBytes(WorkbookPackage(*book).SaveToBytes(), "copy.xlsx");
  EXPECT_TRUE(out.Inconsistencies().empty());
  std::vector<std::string> charts, drawings;
  for (const std::string& name : out.PartNames()) {
    if (name.starts_with("/xl/charts/chart")) charts.push_back(name);
    if (name.starts_with("/xl/drawings/drawing")) drawings.push_back(name);
  }
  EXPECT_EQ(charts.size(), 2u);
  EXPECT_EQ(drawings.size(), 2u);
  EXPECT_EQ(out.Read(charts[0]), out.Read(charts[1]));  // both drawn from Sheet1's cells
}

// A workbook made from a template is new: its own dates, not the
// template's print date or revisions.
TEST(SmallWorkbook, CorePropertiesAreTheNewWorkbooks) {
  package::Package pkg = SmallTemplate();
  pkg.Write(
      "/docProps/core.xml",
      "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/"
      "core-properties\" xmlns:dcterms=\"http://purl.org/dc/terms/\" xmlns:dc=\"http://purl.org/dc/"
      "elements/1.1/\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><dc:creator>Автор</dc:creator>"
      "<cp:lastPrinted>2001-01-01T00:00:00Z</cp:lastPrinted><dcterms:created "
      "xsi:type=\"dcterms:W3CDTF\">"
      "2001-01-01T00:00:00Z</dcterms:created><dcterms:modified xsi:type=\"dcterms:W3CDTF\">"
      "2002-01-01T00:00:00Z</dcterms:modified><cp:revision>7</cp:revision></cp:coreProperties>",
      "application/vnd.openxmlformats-package.core-properties+xml");
  pkg.RelationshipsOf("/").Add(relationship::kCoreProperties, "docProps/core.xml");
  const auto book = ReadWorkbook(std::move(pkg), "small.xltx");
  const package::Package out =
      package::Package::FromBytes(WorkbookPackage(*book).SaveToBytes(), "small.xlsx");
  const std::string& core = out.Read("/docProps/core.xml");
  EXPECT_NE(core.find("<dc:creator>Автор</dc:creator>"), std::string::npos);
  EXPECT_EQ(core.find("2001-01-01"), std::string::npos) << core;
  EXPECT_EQ(core.find("2002-01-01"), std::string::npos) << core;
  EXPECT_EQ(core.find("lastPrinted"), std::string::npos) << core;
  EXPECT_NE(core.find("<cp:revision>1</cp:revision>"), std::string::npos) << core;
  EXPECT_NE(core.find("<dcterms:created xsi:type=\"dcterms:W3CDTF\">20"), std::string::npos)
      << core;
}

TEST(Limits, OverTheFormatIsRefused) {
  auto book = ReadWorkbook(SmallTemplate(), "small.xltx");
  book->SheetAt(0).Cells().SetText(0, 0, std::string(32768, 'x'));
  try {
    CheckLimits(*book);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), errors::kSpreadsheet);
    EXPECT_EQ(
        e.Description(),
        "В ячейке листа «Отчет» (строка 1) больше 32 767 символов: книга Excel её не вместит");
  }
  book->SheetAt(0).Cells().SetText(0, 0, std::string(32767, 'x'));
  book->SheetAt(0).Cells().SetNumber(kMaxRows, 0, 1);
  try {
    CheckLimits(*book);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Description(),
              "На листе «Отчет» 1 048 577 строк, больше 1 048 576: книга Excel его не вместит");
  }
}

TEST(Refusals, NotAWorkbook) {
  const auto predicate = [](package::Package pkg) {
    try {
      ReadWorkbook(std::move(pkg), "x.xltx");
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), errors::kFormat);
      return e.Description();
    }
    return std::string();
  };
  EXPECT_EQ(
      predicate(package::Package::Open(std::string(QUORLEX_FIXTURES_DIR) + "/docx/sample.docx")),
      "Файл x.xltx не является книгой Excel");
  package::Package broken = SmallTemplate();
  broken.Write("/xl/worksheets/sheet1.xml", std::string(kSheet.substr(0, kSheet.size() - 30)));
  EXPECT_NE(predicate(std::move(broken)).find("sheet1.xml"), std::string::npos);
  package::Package wrong_cell = SmallTemplate();
  std::string sheet(kSheet);
  sheet.replace(sheet.find("r=\"B3\""), 6, "r=\"B4\"");
  wrong_cell.Write("/xl/worksheets/sheet1.xml", sheet);
  EXPECT_EQ(predicate(std::move(wrong_cell)),
            "Файл x.xltx поврежден: /xl/worksheets/sheet1.xml: ячейка B4 вне своей строки");
}

}  // namespace
}  // namespace quorlex::automation::spreadsheetml
