#include "automation/testing/xls_readers.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <vector>

#include "automation/testing/command.h"
#include "platform/files.h"

namespace quorlex::automation::testing {

std::string XlsCheck() {
  return std::string("/usr/bin/python3 ") + QUORLEX_SOURCE_DIR +
         "/src/automation/biff8/testdata/xls_check.py";
}

namespace {

// A reader's warning lines, without its start-up noise.
std::vector<std::string> Warnings(const std::string& output) {
  std::vector<std::string> lines;
  std::istringstream in(output);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line.find("javaldx") != std::string::npos || line.rfind("convert ", 0) == 0)
      continue;
    // Time stamps, process ids and addresses differ from run to run.
    static const std::regex noise("\\([^)]*:[0-9]+\\)|[0-9]+:[0-9]+:[0-9]+\\.[0-9]+|0x[0-9a-f]+");
    lines.push_back(std::regex_replace(line, noise, "#"));
  }
  return lines;
}

}  // namespace

void CheckWithReaders(const std::string& written, const std::string& original, const TempDir& dir) {
  auto xlrd = RunCommand(XlsCheck() + " values " + Quote(written));
  ASSERT_EQ(xlrd.status, 0) << xlrd.output;

  auto ss = RunCommand("ssconvert --export-type=Gnumeric_stf:stf_csv " + Quote(written) + " " +
                       Quote(dir.File("ss.csv")));
  EXPECT_EQ(ss.status, 0) << ss.output;
  std::vector<std::string> expected_warnings;
  if (!original.empty()) {
    expected_warnings = Warnings(RunCommand("ssconvert --export-type=Gnumeric_stf:stf_csv " +
                                            Quote(original) + " " + Quote(dir.File("orig.csv")))
                                     .output);
  }
  EXPECT_EQ(Warnings(ss.output), expected_warnings) << ss.output;

  std::string profile = "file://" + dir.File("lo-profile");
  auto lo =
      RunCommand("soffice -env:UserInstallation=" + profile +
                 " --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir " +
                 Quote(dir.File("lo")) + " " + Quote(written));
  EXPECT_EQ(lo.status, 0) << lo.output;
  EXPECT_TRUE(Warnings(lo.output).empty()) << lo.output;
  std::string base = written.substr(written.rfind('/') + 1);
  std::string csv =
      platform::ReadFile(dir.File("lo/" + base.substr(0, base.rfind('.')) + ".csv")).value_or("");
  EXPECT_FALSE(csv.empty()) << "LibreOffice wrote no CSV: " << lo.output;
  // The text cells of the active sheet, as xlrd reads them, are in
  // LibreOffice's CSV of it too.
  auto active =
      RunCommand("/usr/bin/python3 -c " +
                 Quote("import xlrd,sys\nb=xlrd.open_workbook(sys.argv[1])\ns=b.sheet_by_index(0)\n"
                       "[print(c.value) for r in range(min(s.nrows,30)) for c in s.row(r) if "
                       "c.ctype==1 and '\"' not in c.value and '\\n' not in c.value]") +
                 " " + Quote(written));
  std::istringstream texts(active.output);
  std::string text;
  int checked = 0;
  while (std::getline(texts, text) && checked < 40) {
    if (text.empty()) continue;
    EXPECT_NE(csv.find(text), std::string::npos)
        << "LibreOffice lost \"" << text << "\" of " << written;
    ++checked;
  }
}

}  // namespace quorlex::automation::testing
