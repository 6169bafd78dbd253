#include "automation/spreadsheetml/kept_references.h"

#include <gtest/gtest.h>

#include <regex>

#include "automation/package/package.h"
#include "automation/spreadsheetml/names.h"
#include "automation/spreadsheetml/reader.h"
#include "automation/spreadsheetml/writer.h"
#include "automation/testing/fixtures.h"

namespace quorlex::automation::spreadsheetml {
namespace {

using testing::XlsxFixture;

// A check box in rows 6-7 and a button in rows 2-3 of Sheet1, as Excel
// draws form controls.
constexpr char kControls[] =
    "<xml xmlns:v=\"urn:schemas-microsoft-com:vml\" "
    "xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
    "xmlns:x=\"urn:schemas-microsoft-com:office:excel\">"
    "<v:shape id=\"_x0000_s1025\" type=\"#_x0000_t201\"><x:ClientData ObjectType=\"Checkbox\">"
    "<x:Anchor>\r\n    1, 15, 5, 2, 3, 15, 6, 10</x:Anchor></x:ClientData></v:shape>"
    "<v:shape id=\"_x0000_s1026\" type=\"#_x0000_t201\"><x:ClientData ObjectType=\"Button\">"
    "<x:Anchor>1, 15, 1, 2, 3, 15, 2, 10</x:Anchor></x:ClientData></v:shape></xml>";

std::unique_ptr<workbook::Workbook> WithChartAndControls() {
  package::Package pkg = package::Package::Open(XlsxFixture("WithChart.xlsx"));
  pkg.Write("/xl/drawings/vmlDrawing1.vml", kControls, content_type::kVmlDrawing);
  pkg.RelationshipsOf("/xl/worksheets/sheet1.xml")
      .Add(relationship::kVmlDrawing, "../drawings/vmlDrawing1.vml");
  return ReadWorkbook(std::move(pkg), "controls.xlsx");
}

package::Package Written(const workbook::Workbook& book) {
  return package::Package::FromBytes(WorkbookPackage(book).SaveToBytes(), "written.xlsx");
}

std::vector<std::string> All(const std::string& text, const char* pattern) {
  std::vector<std::string> out;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator();
       ++it)
    out.push_back((*it)[1].str());
  return out;
}

TEST(KeptReferences, ChartRangesFollowRowsAndSheetNames) {
  auto book = WithChartAndControls();
  book->DeleteRows(0, 1, 2);  // rows 2-3 of Sheet1
  book->RenameSheet(0, "Данные");
  const package::Package out = Written(*book);
  EXPECT_TRUE(out.Inconsistencies().empty());
  EXPECT_EQ(All(out.Read("/xl/charts/chart1.xml"), "<c:f>([^<]*)</c:f>"),
            (std::vector<std::string>{"Данные!$A$1:$A$4", "Данные!$B$1:$B$4"}));
}

TEST(KeptReferences, ShapesOfDeletedRowsGoAndOthersMoveUp) {
  auto book = WithChartAndControls();
  const std::size_t charted = book->FindSheet("Sheet2");
  book->DeleteRows(charted, 0, 2);  // the chart's top row and the next
  book->DeleteRows(0, 1, 2);        // the button's rows: it goes
  const package::Package out = Written(*book);
  // The chart's top edge stops at the first row left; its bottom moves up.
  const std::string drawing = out.Read("/xl/drawings/drawing1.xml");
  EXPECT_EQ(All(drawing, "<xdr:row>(\\d+)</xdr:row>"), (std::vector<std::string>{"0", "13"}));
  EXPECT_EQ(All(drawing, "<xdr:rowOff>(\\d+)</xdr:rowOff>"),
            (std::vector<std::string>{"0", "66674"}));
  const std::string vml = out.Read("/xl/drawings/vmlDrawing1.vml");
  EXPECT_EQ(All(vml, "<x:Anchor>([^<]*)</x:Anchor>"),
            (std::vector<std::string>{"1, 15, 3, 2, 3, 15, 4, 10"}));
}

TEST(KeptReferences, ACopyOfABandOwnsItsShapesCutAsItsRowsAre) {
  auto book = WithChartAndControls();
  // Rows 6-9 of Sheet1: the check box stays, moved to the copy's top; the
  // button above the band goes. Sheet1 keeps both.
  const std::size_t copy = book->CopySheetRows(0, 5, 8, 0);
  book->RenameSheet(copy, "Полоса");
  const package::Package out = Written(*book);
  EXPECT_TRUE(out.Inconsistencies().empty());
  std::vector<std::string> anchors;
  for (const std::string& name : out.PartNames()) {
    if (name.ends_with(".vml")) {
      for (const std::string& a : All(out.Read(name), "<x:Anchor>\\s*([^<]*)</x:Anchor>"))
        anchors.push_back(a);
    }
  }
  std::sort(anchors.begin(), anchors.end());
  EXPECT_EQ(anchors,
            (std::vector<std::string>{"1, 15, 0, 2, 3, 15, 1, 10", "1, 15, 1, 2, 3, 15, 2, 10",
                                      "1, 15, 5, 2, 3, 15, 6, 10"}));
}

TEST(KeptReferences, PageBreaksFollowTheirRows) {
  package::Package pkg = package::Package::Open(XlsxFixture("WithChart.xlsx"));
  std::string sheet = pkg.Read("/xl/worksheets/sheet1.xml");
  sheet.insert(sheet.rfind("</worksheet>"),
               "<rowBreaks count=\"3\" manualBreakCount=\"3\"><brk id=\"2\" max=\"16383\" "
               "man=\"1\"/><brk id=\"4\" max=\"16383\" man=\"1\"/><brk id=\"5\" "
               "max=\"16383\" man=\"1\"/></rowBreaks>");
  pkg.Write("/xl/worksheets/sheet1.xml", sheet);
  auto book = ReadWorkbook(std::move(pkg), "breaks.xlsx");
  book->DeleteRows(0, 1, 3);  // rows 2-4: the break above row 3 goes with it
  const package::Package out = Written(*book);
  std::string written;
  for (const std::string& name : out.PartNames()) {
    if (name.starts_with("/xl/worksheets/sheet") &&
        out.Read(name).find("<rowBreaks") != std::string::npos)
      written = out.Read(name);
  }
  EXPECT_EQ(All(written, "<brk id=\"(\\d+)\""), (std::vector<std::string>{"1", "2"}));
  EXPECT_NE(written.find("<rowBreaks count=\"2\" manualBreakCount=\"2\">"), std::string::npos);
}

// WithChart.xlsx with its data (A1:B6 of Sheet1) made a table.
std::unique_ptr<workbook::Workbook> WithTable() {
  package::Package pkg = package::Package::Open(XlsxFixture("WithChart.xlsx"));
  pkg.Write("/xl/tables/table1.xml",
            "<table xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" id=\"1\" "
            "name=\"Table1\" displayName=\"Table1\" ref=\"A1:B6\"><autoFilter ref=\"A1:B6\"/>"
            "<tableColumns count=\"2\"><tableColumn id=\"1\" name=\"a\"/><tableColumn id=\"2\" "
            "name=\"b\"/></tableColumns></table>",
            "application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml");
  const std::string id = pkg.RelationshipsOf("/xl/worksheets/sheet1.xml")
                             .Add(relationship::kTable, "../tables/table1.xml");
  std::string sheet = pkg.Read("/xl/worksheets/sheet1.xml");
  sheet.insert(sheet.rfind("</worksheet>"),
               "<tableParts count=\"1\"><tablePart r:id=\"" + id + "\"/></tableParts>");
  pkg.Write("/xl/worksheets/sheet1.xml", sheet);
  return ReadWorkbook(std::move(pkg), "table.xlsx");
}

std::vector<std::string> TableRanges(const package::Package& out) {
  std::vector<std::string> tables;
  for (const std::string& name : out.PartNames()) {
    if (name.starts_with("/xl/tables/")) {
      const std::string xml = out.Read(name);
      tables.push_back(All(xml, " name=\"([^\"]*)\" displayName")[0] + " " +
                       All(xml, " id=\"(\\d+)\" name=\"Table")[0] + " " +
                       All(xml, " ref=\"([^\"]*)\"")[0] + " " + All(xml, " ref=\"([^\"]*)\"")[1]);
    }
  }
  std::sort(tables.begin(), tables.end());
  return tables;
}

TEST(KeptReferences, TablesFollowTheirRowsAndCopiesNameTheirsAnew) {
  auto book = WithTable();
  book->DeleteRows(0, 2, 2);                                    // rows 3-4: A1:B4
  book->RenameSheet(book->CopySheetRows(0, 0, 2, 0), "Копия");  // rows 1-3
  const package::Package out = Written(*book);
  EXPECT_TRUE(out.Inconsistencies().empty());
  EXPECT_EQ(TableRanges(out),
            (std::vector<std::string>{"Table1 1 A1:B4 A1:B4", "Table1_2 2 A1:B3 A1:B3"}));
}

TEST(KeptReferences, ATableGoesWithItsHeaderRow) {
  auto book = WithTable();
  book->DeleteRows(0, 0, 1);
  const package::Package out = Written(*book);
  EXPECT_TRUE(out.Inconsistencies().empty());
  EXPECT_TRUE(TableRanges(out).empty());
  for (const std::string& name : out.PartNames()) {
    if (name.starts_with("/xl/worksheets/sheet")) {
      EXPECT_EQ(out.Read(name).find("tablePart"), std::string::npos) << name;
    }
  }
}

TEST(KeptReferences, CopiesGetCodeNamesOfTheirOwn) {
  package::Package pkg = package::Package::Open(XlsxFixture("WithChart.xlsx"));
  for (const auto& [part, code] :
       {std::pair<std::string, std::string>{"sheet1", "Данные"}, {"sheet2", "Данные1"}}) {
    const std::string name = "/xl/worksheets/" + part + ".xml";
    std::string sheet = pkg.Read(name);
    sheet.insert(sheet.find('>', sheet.find("<worksheet")) + 1,
                 "<sheetPr codeName=\"" + code + "\"/>");
    pkg.Write(name, sheet);
  }
  auto book = ReadWorkbook(std::move(pkg), "codes.xlsx");
  book->CopySheet(0, 0);
  book->CopySheetRows(0, 0, 2, 1);
  const package::Package out = Written(*book);
  std::vector<std::string> codes;
  for (std::size_t i = 1; i <= book->SheetCount(); ++i) {
    for (const std::string& c : All(out.Read("/xl/worksheets/sheet" + std::to_string(i) + ".xml"),
                                    "codeName=\"([^\"]*)\""))
      codes.push_back(c);
  }
  EXPECT_EQ(codes, (std::vector<std::string>{"Данные", "Данные2", "Данные3", "Данные1"}));
}

TEST(KeptReferences, NamesOfACopiedSheetAreItsOwn) {
  package::Package pkg = package::Package::Open(XlsxFixture("WithVariousData.xlsx"));
  auto book = ReadWorkbook(std::move(pkg), "names.xlsx");
  const std::size_t copy = book->CopySheetRows(0, 2, 9, 0);  // rows 3-10
  book->RenameSheet(copy, "Копия");
  const auto* refs = dynamic_cast<const KeptReferences*>(book->Editor());
  ASSERT_NE(refs, nullptr);
  std::vector<std::string> names;
  for (const KeptReferences::Name& n : refs->Names()) {
    names.push_back((n.local ? n.local->Name() + ":" : std::string()) +
                    n.formula.Print([&](SheetKey s) { return refs->Qualifier(s); }));
  }
  // The workbook's names name Sheet1 alone: the copy takes its own, cut
  // to rows 3-7 of the source ($A$2:$A$7 less row 2).
  EXPECT_EQ(names, (std::vector<std::string>{"Sheet1!$A$2:$A$7", "Sheet1!$B$2:$B$7",
                                             "Копия:Копия!$A$1:$A$5", "Копия:Копия!$B$1:$B$5"}));
}

}  // namespace
}  // namespace quorlex::automation::spreadsheetml
