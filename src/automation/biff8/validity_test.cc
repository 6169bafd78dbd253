// The records we write are shaped as Excel shapes them, checked against
// Excel-made fixtures where one holds the same record.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "automation/biff8/cell_formats.h"
#include "automation/biff8/reader.h"
#include "automation/biff8/records.h"
#include "automation/biff8/writer.h"
#include "automation/compound/reader.h"
#include "automation/testing/command.h"
#include "automation/testing/fixtures.h"
#include "automation/testing/temp_dir.h"
#include "platform/error.h"

namespace quorlex::biff8 {
namespace {

using automation::testing::XlsFixture;
using workbook::Get16;
using workbook::Record;

std::vector<Record> Records(const std::vector<std::uint8_t>& stream) {
  std::vector<Record> out;
  RecordReader in(stream);
  Record r;
  while (in.Next(r)) out.push_back(r);
  return out;
}

std::vector<std::uint8_t> FixtureStream(const std::string& name) {
  const auto root = automation::compound::ReadCompoundFile(XlsFixture(name));
  const auto* stream = root.Find("Workbook");
  if (stream == nullptr) throw std::runtime_error(name + " has no Workbook stream");
  return {stream->data.begin(), stream->data.end()};
}

std::vector<const Record*> OfType(const std::vector<Record>& records, std::uint16_t type) {
  std::vector<const Record*> out;
  for (const Record& r : records) {
    if (r.type == type) out.push_back(&r);
  }
  return out;
}

// A comment's text box: an 18-byte TXO as in Excel's own files, then the
// text and the two formatting runs in CONTINUE records.
TEST(TextBox, CommentTextObjectIsShapedAsExcelWritesIt) {
  const auto excel = Records(FixtureStream("SimpleWithComments.xls"));
  ASSERT_FALSE(OfType(excel, rt::kTxo).empty());
  for (const Record* txo : OfType(excel, rt::kTxo)) EXPECT_EQ(txo->data.size(), 18u);

  auto book = workbook::Workbook::CreateBlank();
  workbook::Shape& note = book->SheetAt(0).Art().AddNote(3, 2, "Автор");
  note.note->text = "Примечание";
  const auto ours = Records(WriteWorkbookStream(*book));
  const auto txos = OfType(ours, rt::kTxo);
  ASSERT_EQ(txos.size(), 1u);
  const Record& txo = *txos.front();
  ASSERT_EQ(txo.data.size(), 18u);
  EXPECT_EQ(Get16(txo.data, 10), 10u);  // characters
  EXPECT_EQ(Get16(txo.data, 12), 16u);  // two runs of 8 bytes
  EXPECT_EQ(Get16(txo.data, 16), 0u);   // no formula
  const auto at = static_cast<std::size_t>(std::find_if(ours.begin(), ours.end(), [](const Record& r) {
                                            return r.type == rt::kTxo;
                                          }) - ours.begin());
  ASSERT_LT(at + 2, ours.size());
  EXPECT_EQ(ours[at + 1].type, rt::kContinue);
  EXPECT_EQ(ours[at + 1].data.size(), 1u + 2 * 10);  // wide text behind its option byte
  EXPECT_EQ(ours[at + 2].type, rt::kContinue);
  ASSERT_EQ(ours[at + 2].data.size(), 16u);
  EXPECT_EQ(Get16(ours[at + 2].data, 8), 10u);  // the last run starts after the text
}

// The drawing group goes with the last drawing: a workbook without
// drawings has none, whatever its template had.
TEST(DrawingGroup, OnlyWorkbooksWithDrawingsHaveOne) {
  EXPECT_TRUE(OfType(Records(WriteWorkbookStream(*workbook::Workbook::CreateBlank())), rt::kMsoDrawingGroup).empty());

  auto book = ReadWorkbook(XlsFixture("SimpleWithComments.xls"));
  auto kept = Records(WriteWorkbookStream(*book));
  EXPECT_EQ(OfType(kept, rt::kMsoDrawingGroup).size(), 1u);
  ASSERT_FALSE(OfType(kept, rt::kMsoDrawing).empty());
  for (std::size_t i = 0; i < book->SheetCount(); ++i) book->SheetAt(i).DeleteRows(0, 65536);
  auto emptied = Records(WriteWorkbookStream(*book));
  EXPECT_TRUE(OfType(emptied, rt::kMsoDrawing).empty());
  EXPECT_TRUE(OfType(emptied, rt::kMsoDrawingGroup).empty());
  EXPECT_TRUE(OfType(emptied, rt::kNote).empty());
}

// A STRING record whose text goes on in CONTINUE records: each CONTINUE
// starts with an option byte and holds whole characters, and together they
// hold exactly the characters the STRING announces.
void ExpectSplitBetweenCharacters(const std::vector<Record>& records, std::size_t at, const std::string& where) {
  const Record& head = records[at];
  ASSERT_GE(head.data.size(), 3u) << where;
  const std::size_t cch = Get16(head.data, 0);
  bool wide = (head.data[2] & 0x01) != 0;
  std::size_t chars = (head.data.size() - 3) / (wide ? 2 : 1);
  EXPECT_EQ((head.data.size() - 3) % (wide ? 2 : 1), 0u) << where;
  for (std::size_t i = at + 1; i < records.size() && records[i].type == rt::kContinue; ++i) {
    const auto& d = records[i].data;
    ASSERT_FALSE(d.empty()) << where;
    EXPECT_LE(d[0], 1u) << where << ": a CONTINUE that does not start with an option byte";
    wide = (d[0] & 0x01) != 0;
    EXPECT_EQ((d.size() - 1) % (wide ? 2 : 1), 0u) << where << ": a character split across records";
    chars += (d.size() - 1) / (wide ? 2 : 1);
  }
  EXPECT_EQ(chars, cch) << where;
}

// Formula results longer than one record (the template's texts of 10,000
// characters and more) go on in CONTINUE records as Excel splits them.
TEST(Strings, LongFormulaResultsAreSplitBetweenCharacters) {
  auto book = ReadWorkbook(XlsFixture("StringContinueRecords.xls"));
  const auto records = Records(WriteWorkbookStream(*book));
  int continued = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (records[i].type != rt::kString) continue;
    ExpectSplitBetweenCharacters(records, i, "STRING at record " + std::to_string(i));
    continued += i + 1 < records.size() && records[i + 1].type == rt::kContinue ? 1 : 0;
  }
  EXPECT_GE(continued, 1);
  EXPECT_TRUE(OfType(records, rt::kLabel).empty());  // LABEL holds 255 characters at most
  // And the texts read back whole.
  auto again = ReadWorkbookStream(WriteWorkbookStream(*book));
  ASSERT_EQ(again->SheetCount(), book->SheetCount());
  for (std::size_t s = 0; s < book->SheetCount(); ++s) {
    const auto& before = book->SheetAt(s).Cells();
    const auto& after = again->SheetAt(s).Cells();
    for (std::uint32_t r = 0; r < before.RowCount(); ++r) {
      for (const auto& c : before.Rows()[r].cells) {
        if (c.kind != workbook::CellKind::kFormula) continue;
        const auto* other = after.Find(r, c.col);
        ASSERT_NE(other, nullptr);
        EXPECT_EQ(workbook::FormulaBody::Decode(after.Blob(*other)).cached_text,
                  workbook::FormulaBody::Decode(before.Blob(c)).cached_text);
      }
    }
  }
}

// A text that needs a record of its own goes on between characters, wide or
// not, with the option byte repeated.
TEST(Strings, RecordSinkSplitsStringsBetweenCharacters) {
  for (const std::u16string& text : {std::u16string(20000, u'x'), std::u16string(9000, u'ж'), std::u16string()}) {
    RecordSink sink;
    const std::uint8_t head[] = {1, 2, 3, 4, 5, 6};
    sink.PutWithString(rt::kString, {}, text);
    sink.PutWithString(rt::kLabel, head, text);
    const auto records = Records(sink.bytes);
    ExpectSplitBetweenCharacters(records, 0, "STRING");
    const auto label = static_cast<std::size_t>(std::find_if(records.begin(), records.end(), [](const Record& r) {
                                                   return r.type == rt::kLabel;
                                                 }) - records.begin());
    ASSERT_LT(label, records.size());
    Record tail = records[label];
    tail.data.erase(tail.data.begin(), tail.data.begin() + 6);
    std::vector<Record> shifted(records.begin() + static_cast<std::ptrdiff_t>(label), records.end());
    shifted[0] = tail;
    ExpectSplitBetweenCharacters(shifted, 0, "LABEL");
    for (const Record& r : records) EXPECT_LE(r.data.size(), kMaxRecordData);
  }
}

// The XF record bodies of a written stream, in order.
std::vector<workbook::Xf> WrittenXfs(const std::vector<Record>& records) {
  std::vector<workbook::Xf> xfs;
  for (const Record* r : OfType(records, rt::kXf)) {
    std::array<std::uint8_t, 20> bytes{};
    std::copy_n(r->data.begin(), 20, bytes.begin());
    xfs.emplace_back(bytes);
  }
  return xfs;
}

// The checksum is the one Excel computes: the fixtures' own XFCRC records
// agree with it. Formats added to such a template are counted and checked
// again, so that Excel 2007 and later still trust the extended formats.
TEST(CellFormats, ChecksumCountsTheFormatsAsWritten) {
  for (const char* name : {"27394.xls", "RepeatingRowsCols.xls", "xlrd-xf_class.xls"}) {
    const auto excel = Records(FixtureStream(name));
    const auto crcs = OfType(excel, rt::kXfCrc);
    ASSERT_EQ(crcs.size(), 1u) << name;
    EXPECT_EQ(workbook::Get32(crcs.front()->data, 16), XfChecksum(WrittenXfs(excel), {})) << name;
  }
  auto book = ReadWorkbook(XlsFixture("27394.xls"));
  const std::size_t before = book->Formats().XfCount();
  for (int i = 0; i < 30; ++i) {
    const auto xf = book->Formats().Derive(workbook::kDefaultXf, [&](workbook::Xf& x) {
      x.SetBorder(workbook::Edge::kLeft, workbook::LineStyle::kThin, static_cast<std::uint8_t>(8 + i));
    });
    book->SheetAt(0).Cells().SetNumber(static_cast<std::uint32_t>(i), 0, i);
    book->SheetAt(0).Cells().SetXf(static_cast<std::uint32_t>(i), 0, xf);
  }
  ASSERT_EQ(book->Formats().XfCount(), before + 30);
  const auto ours = Records(WriteWorkbookStream(*book));
  const auto crcs = OfType(ours, rt::kXfCrc);
  ASSERT_EQ(crcs.size(), 1u);
  const auto xfs = WrittenXfs(ours);
  EXPECT_EQ(xfs.size(), before + 30);
  EXPECT_EQ(Get16(crcs.front()->data, 14), xfs.size());
  EXPECT_EQ(workbook::Get32(crcs.front()->data, 16), XfChecksum(xfs, {}));
  EXPECT_FALSE(OfType(ours, rt::kXfExt).empty());  // the extended formats stay
}

// A template whose Normal format is a style format (xlwt writes sixteen
// style formats first): cells written on it, or on any style format, are
// written on cell formats of those styles, looking the same.
TEST(CellFormats, CellsReferToCellFormatsOnly) {
  if (automation::testing::RunCommand("/usr/bin/python3 -c 'import xlwt'").status != 0) {
    GTEST_SKIP() << "python3-xlwt is not installed";
  }
  automation::testing::TempDir dir;
  const std::string made = dir.File("xlwt.xls");
  const auto run = automation::testing::RunCommand(
      "/usr/bin/python3 -c " +
      automation::testing::Quote("import sys, xlwt\n"
                                 "book = xlwt.Workbook()\n"
                                 "sheet = book.add_sheet('Data')\n"
                                 "sheet.write(0, 0, 'Title', xlwt.easyxf('font: bold on; borders: left thin'))\n"
                                 "book.save(sys.argv[1])\n") +
      " " + automation::testing::Quote(made));
  ASSERT_EQ(run.status, 0) << run.output;
  auto book = ReadWorkbook(made);
  const auto& styles = book->Formats();
  ASSERT_TRUE(styles.XfAt(workbook::kDefaultXf).IsStyle()) << "xlwt's format 15 was a cell format";
  auto& cells = book->SheetAt(0).Cells();
  cells.SetText(2, 0, "on the Normal format");
  cells.SetNumber(3, 0, 12.5);
  cells.SetXf(3, 0, 3);  // a style format
  cells.SetXf(4, 1, 3);
  const std::string written = dir.File("written.xls");
  WriteWorkbook(*book, written);

  const auto root = automation::compound::ReadCompoundFile(written);
  const auto records = Records({root.Find("Workbook")->data.begin(), root.Find("Workbook")->data.end()});
  const auto xfs = WrittenXfs(records);
  for (const Record& r : records) {
    const bool cell = r.type == rt::kBlank || r.type == rt::kNumber || r.type == rt::kRk || r.type == rt::kLabelSst ||
                      r.type == rt::kBoolErr || r.type == rt::kFormula;
    if (!cell) continue;
    const std::uint16_t ixfe = Get16(r.data, 4);
    ASSERT_LT(ixfe, xfs.size());
    EXPECT_FALSE(xfs[ixfe].IsStyle()) << "cell " << Get16(r.data, 0) << "," << Get16(r.data, 2) << " on style format " << ixfe;
  }
  // xlrd sees the same look on the cell formats as on their styles.
  const auto look = automation::testing::RunCommand(
      "/usr/bin/python3 -c " +
      automation::testing::Quote("import sys, xlrd\n"
                                 "b = xlrd.open_workbook(sys.argv[1], formatting_info=True)\n"
                                 "s = b.sheet_by_index(0)\n"
                                 "for r, c in ((2, 0), (3, 0), (4, 1)):\n"
                                 "    xf = b.xf_list[s.cell_xf_index(r, c)]\n"
                                 "    p = b.xf_list[xf.parent_style_index]\n"
                                 "    print(xf.is_style, p.is_style, xf.font_index == p.font_index,\n"
                                 "          xf.format_key == p.format_key, xf.border.left_line_style == p.border.left_line_style)\n") +
      " " + automation::testing::Quote(written));
  ASSERT_EQ(look.status, 0) << look.output;
  EXPECT_EQ(look.output, "0 1 True True True\n0 1 True True True\n0 1 True True True\n");
}

}  // namespace
}  // namespace quorlex::biff8
