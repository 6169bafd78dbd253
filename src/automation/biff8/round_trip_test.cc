#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "automation/biff8/reader.h"
#include "automation/biff8/records.h"
#include "automation/biff8/writer.h"
#include "automation/testing/command.h"
#include "automation/testing/fixtures.h"
#include "automation/testing/temp_dir.h"
#include "automation/testing/xls_readers.h"
#include "platform/error.h"

namespace quorlex::automation::biff8 {
namespace {

using automation::testing::Quote;
using automation::testing::RunCommand;
using automation::testing::TempDir;
using automation::testing::XlsCheck;
using automation::testing::XlsFixture;
using automation::testing::XlsTestName;

const char* const kBiff8Fixtures[] = {"12843-2.xls",       "13796.xls",
                                      "15573.xls",         "1900DateWindowing.xls",
                                      "19599-2.xls",       "24207.xls",
                                      "27394.xls",         "29675.xls",
                                      "3dFormulas.xls",    "44010-SingleChart.xls",
                                      "44643.xls",         "SimpleWithComments.xls",
                                      "xlrd-Formate.xls",  "xlrd-namesdemo.xls",
                                      "xlrd-profiles.xls", "xlrd-ragged.xls",
                                      "xlrd-xf_class.xls"};

class RoundTrip : public ::testing::TestWithParam<const char*> {};

// What xlrd sees (values, formats, merges, widths, comments, names, page
// breaks...) is the same before and after a read and write.
TEST_P(RoundTrip, XlrdSeesTheSameWorkbook) {
  TempDir dir;
  std::string source = XlsFixture(GetParam());
  std::string target = dir.File(GetParam());
  auto book = ReadWorkbook(source);
  WriteWorkbook(*book, target);
  auto result = RunCommand(XlsCheck() + " compare " + Quote(source) + " " + Quote(target));
  EXPECT_EQ(result.status, 0) << result.output;
}

// Written twice, the bytes are the same: nothing drifts between saves.
TEST_P(RoundTrip, SecondRoundTripIsStable) {
  auto first = WriteWorkbookStream(*ReadWorkbook(XlsFixture(GetParam())));
  auto second = WriteWorkbookStream(*ReadWorkbookStream(first));
  EXPECT_EQ(first, second);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RoundTrip, ::testing::ValuesIn(kBiff8Fixtures), XlsTestName);

// Records the engine does not model come back in their place: the chart
// substream of the embedded chart and the drawing records are all there.
TEST(RoundTripRecords, ChartAndDrawingRecordsSurvive) {
  auto count = [](const std::vector<std::uint8_t>& stream, std::uint16_t type) {
    RecordReader in(stream);
    workbook::Record r;
    int n = 0;
    while (in.Next(r))
      n += r.type == type ? 1 : 0;
    return n;
  };
  auto book = ReadWorkbook(XlsFixture("44010-SingleChart.xls"));
  auto stream = WriteWorkbookStream(*book);
  EXPECT_EQ(count(stream, 0x1033), 15);  // chart BEGIN records
  EXPECT_EQ(count(stream, rt::kObj), 6);
  EXPECT_EQ(count(stream, rt::kTxo), 6);
  EXPECT_EQ(count(stream, rt::kBof), 3);        // globals, sheet, embedded chart
  EXPECT_EQ(book->OtherStreams().size(), 10u);  // VBA project and properties come along
}

TEST(Refusals, Biff4FileIsRefusedClearly) {
  try {
    ReadWorkbook(XlsFixture("xlrd-biff4_no_format_no_window2.xls"));
    FAIL() << "a BIFF4 file was read";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), errors::kFormat);
    EXPECT_NE(e.Description().find("BIFF4"), std::string::npos) << e.Description();
  }
}

// Valid workbooks whose stream is named "WORKBOOK" or "BOOK" are read and
// written back as Excel writes them, and xlrd reads the same cells in what
// we wrote (blank cells of the Normal format aside, which are not kept).
TEST(StreamNames, WorkbooksUnderOtherStreamNamesAreRead) {
  const auto values = [](const std::string& path, const char* command = " values ") {
    auto result = RunCommand(XlsCheck() + command + Quote(path));
    EXPECT_EQ(result.status, 0) << result.output;
    std::string cells;  // without the sheet names in front
    std::istringstream lines(result.output);
    for (std::string line; std::getline(lines, line);) {
      if (line.find("\t''") == std::string::npos) cells += line.substr(line.find('\t')) + "\n";
    }
    return cells;
  };
  for (const char* name : {"BOOK_in_capitals.xls", "WORKBOOK_in_capitals.xls", "NoGutsRecords.xls",
                           "OddStyleRecord.xls"}) {
    TempDir dir;
    std::string target = dir.File(name);
    WriteWorkbook(*ReadWorkbook(XlsFixture(name)), target);
    const std::string before = values(XlsFixture(name), " fixture-values ");
    EXPECT_GT(before.size(), 200u) << name;
    EXPECT_EQ(values(target), before) << name;
  }
  // Its one sheet has a name of 55 characters, which Excel cuts to 31.
  EXPECT_EQ(ReadWorkbook(XlsFixture("BOOK_in_capitals.xls"))->SheetAt(0).Name(),
            "301. exposures by cpty and agre");
}

// Names other programs give sheets, which Excel would not save, are made
// valid as they are read: cut to 31 characters, forbidden characters
// replaced, numbered where two would meet.
TEST(StreamNames, SheetNamesExcelWouldNotSaveAreMadeValid) {
  auto book = workbook::Workbook::CreateBlank();
  book->CopySheet(0, 0);
  book->CopySheet(0, 1);
  book->CopySheet(0, 2);
  book->SheetAt(0).SetNameUnchecked("Отчёт по операциям клиентов за период [январь]");
  book->SheetAt(1).SetNameUnchecked("Отчёт по операциям клиентов за");
  book->SheetAt(2).SetNameUnchecked("Отчёт по операциям клиентов за период");
  book->SheetAt(3).SetNameUnchecked("a/b:c");
  auto again = ReadWorkbookStream(WriteWorkbookStream(*book));
  EXPECT_EQ(again->SheetAt(0).Name(), "Отчёт по операциям клиентов за ");
  EXPECT_EQ(again->SheetAt(1).Name(), "Отчёт по операциям клиентов за");
  EXPECT_EQ(again->SheetAt(2).Name(), "Отчёт по операциям клиентов (2)");
  EXPECT_EQ(again->SheetAt(3).Name(), "a_b_c");
  EXPECT_NO_THROW(CheckLimits(*again));
}

TEST(Refusals, EncryptedWorkbookIsRefused) {
  auto book = ReadWorkbook(XlsFixture("xlrd-ragged.xls"));
  auto stream = WriteWorkbookStream(*book);
  // FILEPASS right after the globals' BOF, as Excel writes it.
  std::vector<std::uint8_t> encrypted(stream.begin(), stream.begin() + 20);
  const std::uint8_t filepass[] = {0x2F, 0x00, 0x06, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00};
  encrypted.insert(encrypted.end(), std::begin(filepass), std::end(filepass));
  encrypted.insert(encrypted.end(), stream.begin() + 20, stream.end());
  try {
    ReadWorkbookStream(encrypted);
    FAIL() << "an encrypted workbook was read";
  } catch (const Error& e) {
    EXPECT_NE(e.Description().find("Зашифрованные"), std::string::npos) << e.Description();
  }
}

TEST(Refusals, NonWorkbookFilesAreRefused) {
  const std::uint8_t text[] = {'h', 'e', 'l', 'l', 'o'};
  EXPECT_THROW(ReadWorkbookBytes(text), Error);
  EXPECT_THROW(ReadWorkbook("/nonexistent/book.xls"), Error);
  std::vector<std::uint8_t> truncated =
      WriteWorkbookStream(*ReadWorkbook(XlsFixture("xlrd-ragged.xls")));
  truncated.resize(truncated.size() / 2);
  EXPECT_THROW(ReadWorkbookStream(truncated), Error);
}

TEST(Template, TemplateRecordIsKeptOrDropped) {
  auto book = ReadWorkbook(XlsFixture("xlrd-ragged.xls"));
  EXPECT_FALSE(book->IsTemplate());
  book->SetTemplate(true);
  auto again = ReadWorkbookStream(WriteWorkbookStream(*book));
  EXPECT_TRUE(again->IsTemplate());
  again->SetTemplate(false);
  EXPECT_FALSE(ReadWorkbookStream(WriteWorkbookStream(*again))->IsTemplate());
}

TEST(Limits, OverLongSheetIsRefusedAndNothingIsWritten) {
  TempDir dir;
  auto book = workbook::Workbook::CreateBlank();
  book->SheetAt(0).Cells().SetNumber(65536, 0, 1);  // row 65,537
  std::string target = dir.File("big.xls");
  try {
    WriteWorkbook(*book, target);
    FAIL() << "a sheet of 65,537 rows was written";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), errors::kSpreadsheet);
    EXPECT_NE(e.Description().find("65 537"), std::string::npos) << e.Description();
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(Limits, WideSheetLongTextAndLongNameAreRefused) {
  auto wide = workbook::Workbook::CreateBlank();
  wide->SheetAt(0).Cells().SetNumber(0, 256, 1);
  EXPECT_THROW(CheckLimits(*wide), Error);
  auto text = workbook::Workbook::CreateBlank();
  text->SheetAt(0).Cells().SetText(0, 0, std::string(32768, 'x'));
  EXPECT_THROW(CheckLimits(*text), Error);
  text->SheetAt(0).Cells().SetText(0, 0, std::string(32767, 'x'));
  EXPECT_NO_THROW(CheckLimits(*text));
  auto named = workbook::Workbook::CreateBlank();
  named->SheetAt(0).SetNameUnchecked(std::string(32, 'a'));
  EXPECT_THROW(CheckLimits(*named), Error);
}

TEST(Save, ReplacesAnExistingFileThroughATemporaryOne) {
  TempDir dir;
  std::string target = dir.File("out.xls");
  { std::ofstream(target) << "old"; }
  WriteWorkbook(*workbook::Workbook::CreateBlank(), target);
  EXPECT_GT(std::filesystem::file_size(target), 1000u);
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);  // no temporary left behind
  auto status = RunCommand(XlsCheck() + " values " + Quote(target));
  EXPECT_EQ(status.status, 0) << status.output;
}

}  // namespace
}  // namespace quorlex::automation::biff8

namespace quorlex::automation::biff8 {
namespace {

// A row of cells that share a formula with a row above, copied apart from
// it: the cells keep the values the formulas gave, and readers agree.
// Shared formulas are read as each cell's own: a band copied without the
// cell the formula was written with keeps its formulas and their values.
TEST(SharedFormulas, BandWithoutItsHostKeepsFormulasAndValues) {
  auto book = ReadWorkbook(XlsFixture("SharedFormulaTest.xls"));
  const std::uint32_t row = 5;  // B6 shares the formula written with B2
  const workbook::Cell* cell = book->SheetAt(0).Cells().Find(row, 1);
  ASSERT_NE(cell, nullptr);
  ASSERT_EQ(cell->kind, workbook::CellKind::kFormula);
  book->CopySheetRows(0, row, row, book->SheetCount() - 1);
  TempDir dir;
  std::string path = dir.File("band.xls");
  WriteWorkbook(*book, path);
  auto stream = WriteWorkbookStream(*book);
  RecordReader in(stream);
  workbook::Record r;
  while (in.Next(r))
    EXPECT_NE(r.type, rt::kShrFmla);
  auto values = RunCommand(XlsCheck() + " values " + Quote(path));
  ASSERT_EQ(values.status, 0) << values.output;
  // Every value of the row on the first sheet is on the copy's row 0.
  std::istringstream lines(values.output);
  std::string line;
  std::map<std::string, std::string> source;
  std::map<std::string, std::string> copy;
  std::string prefix = book->SheetAt(0).Name() + "\t" + std::to_string(row) + "\t";
  std::string copy_prefix = book->SheetAt(book->SheetCount() - 1).Name() + "\t0\t";
  while (std::getline(lines, line)) {
    if (line.rfind(prefix, 0) == 0) source[line.substr(prefix.size())] = line;
    if (line.rfind(copy_prefix, 0) == 0) copy[line.substr(copy_prefix.size())] = line;
  }
  EXPECT_FALSE(source.empty());
  for (const auto& [rest, full] : source)
    EXPECT_EQ(copy.count(rest), 1u) << full;
}

}  // namespace
}  // namespace quorlex::automation::biff8

namespace quorlex::automation::biff8 {
namespace {

// A drawing layer the engine cannot take apart stays as it was.
TEST(Drawings, UnreadableDrawingIsKeptAsItWas) {
  auto stream = WriteWorkbookStream(*ReadWorkbook(XlsFixture("SimpleWithComments.xls")));
  RecordReader in(stream);
  workbook::Record r;
  std::size_t at = 0;
  while (in.Next(r)) {
    if (r.type == rt::kMsoDrawing) {
      at = in.Offset() - r.data.size();
      break;
    }
  }
  ASSERT_GT(at, 0u);
  ASSERT_EQ(platform::Get16(r.data, 26), 0xF003);  // the shapes' group
  platform::Put32(stream, at + 28, 0x7FFFFFFF);
  auto book = ReadWorkbookStream(stream);
  EXPECT_TRUE(book->SheetAt(0).Art().Empty());
  EXPECT_EQ(WriteWorkbookStream(*book), stream);
}

}  // namespace
}  // namespace quorlex::automation::biff8
