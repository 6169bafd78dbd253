// Files the engine writes, opened by independent readers: Gnumeric's
// ssconvert and LibreOffice must open them without an error or a new
// warning, and see the values xlrd sees.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "automation/biff8/reader.h"
#include "automation/biff8/test_support.h"
#include "automation/biff8/testdata/readers_check.h"
#include "automation/biff8/testdata/generated_book.h"
#include "automation/biff8/writer.h"

namespace quorlex::biff8 {
namespace {

using testing_support::Fixture;
using testing_support::Quote;
using testing_support::RunCommand;
using testing_support::TempDir;
using testing_support::XlsCheck;
using testing_support::CheckWithReaders;

class Readers : public ::testing::TestWithParam<const char*> {};

TEST_P(Readers, RoundTripOfAnExcelFileOpensEverywhere) {
  TempDir dir;
  std::string written = dir.File(GetParam());
  WriteWorkbook(*ReadWorkbook(Fixture(GetParam())), written);
  CheckWithReaders(written, Fixture(GetParam()), dir);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Readers,
                         ::testing::Values("12843-2.xls", "13796.xls", "15573.xls", "19599-2.xls", "27394.xls",
                                           "3dFormulas.xls", "44010-SingleChart.xls", "SimpleWithComments.xls",
                                           "xlrd-Formate.xls", "xlrd-namesdemo.xls"),
                         [](const auto& param_info) {
                           std::string name = param_info.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

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
}  // namespace quorlex::biff8
