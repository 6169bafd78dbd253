// Files the engine writes, opened by independent readers: Gnumeric's
// ssconvert and LibreOffice must open them without an error or a new
// warning, and see the values xlrd sees.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "automation/biff8/reader.h"
#include "automation/biff8/test_support.h"
#include "automation/biff8/testdata/generated_book.h"
#include "automation/biff8/writer.h"

namespace quorlex::biff8 {
namespace {

using testing_support::Fixture;
using testing_support::Quote;
using testing_support::RunCommand;
using testing_support::TempDir;
using testing_support::XlsCheck;

// Warning lines of a reader, without its start-up noise.
std::vector<std::string> Warnings(const std::string& output) {
  std::vector<std::string> lines;
  std::istringstream in(output);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line.find("javaldx") != std::string::npos || line.rfind("convert ", 0) == 0) continue;
    // Time stamps, process ids and addresses differ from run to run.
    static const std::regex noise("\\([^)]*:[0-9]+\\)|[0-9]+:[0-9]+:[0-9]+\\.[0-9]+|0x[0-9a-f]+");
    lines.push_back(std::regex_replace(line, noise, "#"));
  }
  return lines;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void CheckWithReaders(const std::string& written, const std::string& original, const TempDir& dir) {
  auto xlrd = RunCommand(XlsCheck() + " values " + Quote(written));
  ASSERT_EQ(xlrd.status, 0) << xlrd.output;

  auto ss = RunCommand("ssconvert --export-type=Gnumeric_stf:stf_csv " + Quote(written) + " " + Quote(dir.File("ss.csv")));
  EXPECT_EQ(ss.status, 0) << ss.output;
  std::vector<std::string> expected_warnings;
  if (!original.empty()) {
    expected_warnings = Warnings(RunCommand("ssconvert --export-type=Gnumeric_stf:stf_csv " + Quote(original) + " " +
                                            Quote(dir.File("orig.csv"))).output);
  }
  EXPECT_EQ(Warnings(ss.output), expected_warnings) << ss.output;

  std::string profile = "file://" + dir.File("lo-profile");
  auto lo = RunCommand("soffice -env:UserInstallation=" + profile +
                       " --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir " + Quote(dir.File("lo")) +
                       " " + Quote(written));
  EXPECT_EQ(lo.status, 0) << lo.output;
  EXPECT_TRUE(Warnings(lo.output).empty()) << lo.output;
  std::string base = written.substr(written.rfind('/') + 1);
  std::string csv = ReadFile(dir.File("lo/" + base.substr(0, base.rfind('.')) + ".csv"));
  EXPECT_FALSE(csv.empty()) << "LibreOffice wrote no CSV: " << lo.output;
  // The text cells of the active sheet, as xlrd reads them, are in
  // LibreOffice's CSV of it too.
  auto active = RunCommand("/usr/bin/python3 -c " +
                           Quote("import xlrd,sys\nb=xlrd.open_workbook(sys.argv[1])\ns=b.sheet_by_index(0)\n"
                                 "[print(c.value) for r in range(min(s.nrows,30)) for c in s.row(r) if c.ctype==1 and '\"' not in c.value and '\\n' not in c.value]") +
                           " " + Quote(written));
  std::istringstream texts(active.output);
  std::string text;
  int checked = 0;
  while (std::getline(texts, text) && checked < 40) {
    if (text.empty()) continue;
    EXPECT_NE(csv.find(text), std::string::npos) << "LibreOffice lost \"" << text << "\" of " << written;
    ++checked;
  }
}

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
