#include <gtest/gtest.h>

#include "automation/spreadsheetml/reader.h"
#include "automation/spreadsheetml/writer.h"
#include "automation/testing/command.h"
#include "automation/testing/fixtures.h"
#include "automation/testing/temp_dir.h"

namespace quorlex::automation::spreadsheetml {
namespace {

using testing::DocTestName;
using testing::kXlsxFixtures;
using testing::XlsxFixture;

class FixtureRoundTrip : public ::testing::TestWithParam<const char*> {};

// What is written opens in an independent reader, every sheet with the
// cells the model has.
TEST_P(FixtureRoundTrip, OpensInOpenpyxl) {
  const auto book = ReadWorkbookFile(XlsxFixture(GetParam()));
  testing::TempDir dir;
  const std::string path = dir.File("book.xlsx");
  WriteWorkbook(*book, path);
  const testing::CommandResult result = testing::RunCommand(
      "/usr/bin/python3 -W ignore -c 'import openpyxl,sys\n"
      "wb = openpyxl.load_workbook(sys.argv[1])\n"
      "for ws in wb.worksheets:\n"
      "  print(ws.title, sum(1 for row in ws.iter_rows() for c in row if c.value is not "
      "None))\n' " +
      testing::Quote(path) + " 2>&1");
  ASSERT_EQ(result.status, 0) << result.output;
  std::string expected;
  for (std::size_t i = 0; i < book->SheetCount(); ++i) {
    const workbook::Sheet& sheet = book->SheetAt(i);
    if (!sheet.IsWorksheet()) continue;
    std::size_t values = 0;
    for (const workbook::Row& row : sheet.Cells().Rows()) {
      for (const workbook::Cell& c : row.cells) {
        values += c.kind != workbook::CellKind::kBlank &&
                  !(workbook::IsText(c.kind) && sheet.Cells().Text(c).empty());
      }
    }
    expected += sheet.Name() + " " + std::to_string(values) + "\n";
  }
  EXPECT_EQ(result.output, expected);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureRoundTrip, ::testing::ValuesIn(kXlsxFixtures),
                         DocTestName);

}  // namespace
}  // namespace quorlex::automation::spreadsheetml
