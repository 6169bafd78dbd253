#include <gtest/gtest.h>

#include "automation/package/package.h"
#include "automation/spreadsheetml/names.h"
#include "automation/spreadsheetml/reader.h"
#include "automation/spreadsheetml/source.h"
#include "automation/spreadsheetml/writer.h"
#include "automation/spreadsheetml/xml_util.h"
#include "platform/error.h"

namespace quorlex::automation::spreadsheetml {
namespace {

const char* const kFixtures[] = {"45540_classic_Header.xlsx",
                                 "62629_toMerge.xlsx",
                                 "DataValidations-49244.xlsx",
                                 "SampleSS.xlsx",
                                 "SimpleWithComments.xlsx",
                                 "Themes.xlsx",
                                 "WithChart.xlsx",
                                 "WithConditionalFormatting.xlsx",
                                 "WithVariousData.xlsx",
                                 "chart_sheet.xlsx",
                                 "headerFooterTest.xlsx"};

std::string Fixture(const std::string& name) {
  return std::string(QUORLEX_FIXTURES_DIR) + "/xlsx/" + name;
}

std::string FixtureName(const ::testing::TestParamInfo<const char*>& info) {
  std::string name;
  for (const char* c = info.param; *c != '\0' && *c != '.'; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
  }
  return name;
}

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
  const auto book = ReadWorkbookFile(Fixture(GetParam()));
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

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureRoundTrip, ::testing::ValuesIn(kFixtures), FixtureName);

}  // namespace
}  // namespace quorlex::automation::spreadsheetml
