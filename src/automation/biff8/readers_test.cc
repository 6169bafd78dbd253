// Files the engine writes, opened by independent readers: Gnumeric's
// ssconvert and LibreOffice must open them without an error or a new
// warning, and see the values xlrd sees.

#include <gtest/gtest.h>

#include "automation/biff8/reader.h"
#include "automation/biff8/testdata/generated_book.h"
#include "automation/biff8/writer.h"
#include "automation/testing/command.h"
#include "automation/testing/fixtures.h"
#include "automation/testing/temp_dir.h"
#include "automation/testing/xls_readers.h"

namespace quorlex::automation::biff8 {
namespace {

using automation::testing::CheckWithReaders;
using automation::testing::Quote;
using automation::testing::RunCommand;
using automation::testing::TempDir;
using automation::testing::XlsCheck;
using automation::testing::XlsFixture;
using automation::testing::XlsTestName;

class Readers : public ::testing::TestWithParam<const char*> {};

TEST_P(Readers, RoundTripOfAnExcelFileOpensEverywhere) {
  TempDir dir;
  std::string written = dir.File(GetParam());
  WriteWorkbook(*ReadWorkbook(XlsFixture(GetParam())), written);
  CheckWithReaders(written, XlsFixture(GetParam()), dir);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Readers,
                         ::testing::Values("12843-2.xls", "13796.xls", "15573.xls", "19599-2.xls",
                                           "27394.xls", "3dFormulas.xls", "44010-SingleChart.xls",
                                           "SimpleWithComments.xls", "xlrd-Formate.xls",
                                           "xlrd-namesdemo.xls"),
                         XlsTestName);

TEST(Readers, GeneratedWorkbookOpensEverywhere) {
  TempDir dir;
  std::string written = dir.File("generated.xls");
  WriteWorkbook(*GeneratedBook(), written);
  CheckWithReaders(written, "", dir);
  auto dump = RunCommand(XlsCheck() + " dump " + Quote(written));
  ASSERT_EQ(dump.status, 0) << dump.output;
  EXPECT_NE(dump.output.find("В расчете итогового РРР"), std::string::npos);
}

}  // namespace
}  // namespace quorlex::automation::biff8
