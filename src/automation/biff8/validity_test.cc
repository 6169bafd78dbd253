// The records we write are shaped as Excel shapes them, checked against
// Excel-made fixtures where one holds the same record.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
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
#include "platform/little_endian.h"

namespace quorlex::automation::biff8 {
namespace {

using automation::testing::XlsFixture;
using platform::Get16;

using workbook::Record;

std::vector<Record> Records(const std::vector<std::uint8_t>& stream) {
  std::vector<Record> out;
  RecordReader in(stream);
  Record r;
  while (in.Next(r))
    out.push_back(r);
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
  for (const Record* txo : OfType(excel, rt::kTxo))
    EXPECT_EQ(txo->data.size(), 18u);

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
  const auto at = static_cast<std::size_t>(
      std::find_if(ours.begin(), ours.end(), [](const Record& r) { return r.type == rt::kTxo; }) -
      ours.begin());
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
  EXPECT_TRUE(
      OfType(Records(WriteWorkbookStream(*workbook::Workbook::CreateBlank())), rt::kMsoDrawingGroup)
          .empty());

  auto book = ReadWorkbook(XlsFixture("SimpleWithComments.xls"));
  auto kept = Records(WriteWorkbookStream(*book));
  EXPECT_EQ(OfType(kept, rt::kMsoDrawingGroup).size(), 1u);
  ASSERT_FALSE(OfType(kept, rt::kMsoDrawing).empty());
  for (std::size_t i = 0; i < book->SheetCount(); ++i)
    book->SheetAt(i).DeleteRows(0, 65536);
  auto emptied = Records(WriteWorkbookStream(*book));
  EXPECT_TRUE(OfType(emptied, rt::kMsoDrawing).empty());
  EXPECT_TRUE(OfType(emptied, rt::kMsoDrawingGroup).empty());
  EXPECT_TRUE(OfType(emptied, rt::kNote).empty());
}

// A STRING record whose text goes on in CONTINUE records: each CONTINUE
// starts with an option byte and holds whole characters, and together they
// hold exactly the characters the STRING announces.
void ExpectSplitBetweenCharacters(const std::vector<Record>& records, std::size_t at,
                                  const std::string& where) {
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
  for (const std::u16string& text :
       {std::u16string(20000, u'x'), std::u16string(9000, u'ж'), std::u16string()}) {
    RecordSink sink;
    const std::uint8_t head[] = {1, 2, 3, 4, 5, 6};
    sink.PutWithString(rt::kString, {}, text);
    sink.PutWithString(rt::kLabel, head, text);
    const auto records = Records(sink.bytes);
    ExpectSplitBetweenCharacters(records, 0, "STRING");
    const auto label = static_cast<std::size_t>(
        std::find_if(records.begin(), records.end(),
                     [](const Record& r) { return r.type == rt::kLabel; }) -
        records.begin());
    ASSERT_LT(label, records.size());
    Record tail = records[label];
    tail.data.erase(tail.data.begin(), tail.data.begin() + 6);
    std::vector<Record> shifted(records.begin() + static_cast<std::ptrdiff_t>(label),
                                records.end());
    shifted[0] = tail;
    ExpectSplitBetweenCharacters(shifted, 0, "LABEL");
    for (const Record& r : records)
      EXPECT_LE(r.data.size(), kMaxRecordData);
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
    EXPECT_EQ(platform::Get32(crcs.front()->data, 16), XfChecksum(WrittenXfs(excel), {})) << name;
  }
  auto book = ReadWorkbook(XlsFixture("27394.xls"));
  const std::size_t before = book->Formats().XfCount();
  for (int i = 0; i < 30; ++i) {
    const auto xf = book->Formats().Derive(workbook::kDefaultXf, [&](workbook::Xf& x) {
      x.SetBorder(workbook::Edge::kLeft, workbook::LineStyle::kThin,
                  static_cast<std::uint8_t>(8 + i));
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
  EXPECT_EQ(platform::Get32(crcs.front()->data, 16), XfChecksum(xfs, {}));
  EXPECT_FALSE(OfType(ours, rt::kXfExt).empty());  // the extended formats stay
}

// A template whose Normal format is a style format (xlwt writes sixteen
// style formats first): cells written on it, or on any style format, are
// written on cell formats of those styles, looking the same.
TEST(CellFormats, CellsReferToCellFormatsOnly) {
  if (automation::testing::RunCommand("/usr/bin/python3 -c 'import xlwt'").status != 0) {
    GTEST_SKIP() << "python3-xlwt is not installed";
  }
  automation::testing::TempDir inputs(automation::testing::TempDir::Holds::kInputs);
  automation::testing::TempDir dir;
  const std::string made = inputs.File("xlwt.xls");
  const auto run = automation::testing::RunCommand(
      "/usr/bin/python3 -c " +
      automation::testing::Quote(
          "import sys, xlwt\n"
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
  const auto records =
      Records({root.Find("Workbook")->data.begin(), root.Find("Workbook")->data.end()});
  const auto xfs = WrittenXfs(records);
  for (const Record& r : records) {
    const bool cell = r.type == rt::kBlank || r.type == rt::kNumber || r.type == rt::kRk ||
                      r.type == rt::kLabelSst || r.type == rt::kBoolErr || r.type == rt::kFormula;
    if (!cell) continue;
    const std::uint16_t ixfe = Get16(r.data, 4);
    ASSERT_LT(ixfe, xfs.size());
    EXPECT_FALSE(xfs[ixfe].IsStyle())
        << "cell " << Get16(r.data, 0) << "," << Get16(r.data, 2) << " on style format " << ixfe;
  }
  // xlrd sees the same look on the cell formats as on their styles.
  const auto look = automation::testing::RunCommand(
      "/usr/bin/python3 -c " +
      automation::testing::Quote(
          "import sys, xlrd\n"
          "b = xlrd.open_workbook(sys.argv[1], formatting_info=True)\n"
          "s = b.sheet_by_index(0)\n"
          "for r, c in ((2, 0), (3, 0), (4, 1)):\n"
          "    xf = b.xf_list[s.cell_xf_index(r, c)]\n"
          "    p = b.xf_list[xf.parent_style_index]\n"
          "    print(xf.is_style, p.is_style, xf.font_index == p.font_index,\n"
          "          xf.format_key == p.format_key, xf.border.left_line_style == "
          "p.border.left_line_style)\n") +
      " " + automation::testing::Quote(written));
  ASSERT_EQ(look.status, 0) << look.output;
  EXPECT_EQ(look.output, "0 1 True True True\n0 1 True True True\n0 1 True True True\n");
}

// A record with the stream position of its header.
struct Placed {
  std::size_t at = 0;
  Record record;
};

std::vector<Placed> PlacedRecords(const std::vector<std::uint8_t>& stream) {
  std::vector<Placed> out;
  RecordReader in(stream);
  Record r;
  std::size_t at = 0;
  while (in.Next(r)) {
    out.push_back({at, r});
    at = in.Offset();
  }
  return out;
}

bool IsCellRecord(std::uint16_t type) {
  return type == rt::kBlank || type == rt::kNumber || type == rt::kRk || type == rt::kLabelSst ||
         type == rt::kBoolErr || type == rt::kFormula || type == rt::kMulRk ||
         type == rt::kMulBlank || type == rt::kLabel || type == rt::kRString;
}

// Every worksheet has its row index: INDEX right after the BOF, naming the
// rows it covers, the DEFCOLWIDTH record and one DBCELL per block of rows;
// each DBCELL leads back to its block's first ROW record and on to the
// first cell of each row, as Excel lays them out.
void ExpectRowIndex(const std::vector<std::uint8_t>& stream, const std::string& where) {
  const auto records = PlacedRecords(stream);
  std::map<std::size_t, std::size_t> by_position;
  for (std::size_t i = 0; i < records.size(); ++i)
    by_position[records[i].at] = i;
  int worksheets = 0;
  for (std::size_t i = 1; i < records.size(); ++i) {
    const Record& bof = records[i].record;
    if (bof.type != rt::kBof || Get16(bof.data, 2) != 0x0010) continue;
    ++worksheets;
    std::size_t at = i + 1;
    if (records[at].record.type == rt::kUncalced) ++at;
    ASSERT_EQ(records[at].record.type, rt::kIndex) << where;
    const auto& index = records[at].record.data;
    const std::uint32_t first = platform::Get32(index, 4);
    const std::uint32_t after = platform::Get32(index, 8);
    ASSERT_TRUE(by_position.count(platform::Get32(index, 12))) << where;
    EXPECT_EQ(records[by_position[platform::Get32(index, 12)]].record.type, rt::kDefColWidth)
        << where;
    // The sheet's ROW records, and the DBCELLs in the order INDEX lists them.
    std::vector<std::size_t> rows;
    std::uint32_t lowest = 0xFFFFFFFF;
    std::uint32_t highest = 0;
    std::size_t end = at;
    while (records[end].record.type != rt::kEof) {
      if (records[end].record.type == rt::kBof) break;  // an embedded chart: no rows below it
      if (records[end].record.type == rt::kRow) {
        rows.push_back(end);
        lowest = std::min<std::uint32_t>(lowest, Get16(records[end].record.data, 0));
        highest = std::max<std::uint32_t>(highest, Get16(records[end].record.data, 0));
      }
      ++end;
    }
    if (rows.empty()) {
      EXPECT_EQ(after, 0u) << where;
    } else {
      EXPECT_EQ(first, lowest) << where;
      EXPECT_EQ(after, highest + 1) << where;
    }
    std::size_t listed = (index.size() - 16) / 4;
    std::size_t row_seen = 0;
    for (std::size_t k = 0; k < listed; ++k) {
      const std::uint32_t position = platform::Get32(index, 16 + 4 * k);
      ASSERT_TRUE(by_position.count(position)) << where << ": DBCELL " << k;
      const std::size_t db = by_position[position];
      const auto& cell = records[db].record;
      ASSERT_EQ(cell.type, rt::kDbCell) << where;
      const std::size_t block_at = records[db].at - platform::Get32(cell.data, 0);
      ASSERT_TRUE(by_position.count(block_at)) << where;
      std::size_t r = by_position[block_at];
      ASSERT_EQ(records[r].record.type, rt::kRow) << where;
      std::size_t from = block_at + 20;
      for (std::size_t j = 4; j + 2 <= cell.data.size(); j += 2, ++r, ++row_seen) {
        ASSERT_EQ(records[r].record.type, rt::kRow) << where;
        const std::uint16_t row = Get16(records[r].record.data, 0);
        const std::size_t first_cell = from + Get16(cell.data, j);
        from = first_cell;
        // The row's first cell is there, unless the row has none.
        if (by_position.count(first_cell) &&
            IsCellRecord(records[by_position[first_cell]].record.type) &&
            Get16(records[by_position[first_cell]].record.data, 0) == row) {
          continue;
        }
        for (std::size_t c = db; c-- > r;) {
          EXPECT_FALSE(IsCellRecord(records[c].record.type) &&
                       Get16(records[c].record.data, 0) == row)
              << where << ": row " << row << " has cells the DBCELL misses";
        }
      }
    }
    EXPECT_EQ(row_seen, rows.size()) << where;
  }
  EXPECT_GT(worksheets, 0) << where;
}

TEST(RowIndex, EveryWorksheetHasItsIndexAndRowBlocks) {
  auto book = workbook::Workbook::CreateBlank();
  auto& cells = book->SheetAt(0).Cells();
  for (std::uint32_t r = 0; r < 100; ++r) {
    for (std::uint16_t c = 0; c < 5; ++c)
      cells.SetNumber(r, c, r * 10.0 + c + 0.5);
  }
  cells.SetText(31, 2, "края блока");
  cells.MutableRowInfo(150).own = true;  // a row of its own height, no cells
  cells.MutableRowInfo(150).height = 600;
  cells.SetText(40000, 200, "далеко");
  book->CopySheet(0, 0);
  book->SheetAt(1).DeleteRows(0, 65536);  // a sheet without rows
  ExpectRowIndex(WriteWorkbookStream(*book), "generated");
  for (const char* name :
       {"13796.xls", "SimpleWithComments.xls", "44010-SingleChart.xls", "xlrd-profiles.xls"}) {
    ExpectRowIndex(WriteWorkbookStream(*ReadWorkbook(XlsFixture(name))), name);
  }
}

// Shared strings with formatting runs, over many CONTINUE records: every
// string starts in a record with its whole header, its characters are cut
// only between characters behind an option byte, its runs only between runs.
TEST(Strings, SharedStringsAreCutOnlyWhereReadersResume) {
  auto book = workbook::Workbook::CreateBlank();
  auto& cells = book->SheetAt(0).Cells();
  std::string runs;
  for (int at : {0, 1, 2}) {
    runs.push_back(static_cast<char>(at));
    runs.push_back(0);
    runs.push_back(static_cast<char>(at % 2 == 0 ? 0 : 5));
    runs.push_back(0);
  }
  for (std::uint32_t r = 0; r < 3000; ++r) {
    std::string text =
        std::to_string(r) + std::string(r % 37, r % 3 == 0 ? 'a' : 'b') + (r % 5 == 0 ? "ж" : "");
    cells.SetRichText(r, 0, text, runs);
  }
  const auto records = Records(WriteWorkbookStream(*book));
  std::size_t sst = 0;
  while (sst < records.size() && records[sst].type != rt::kSst)
    ++sst;
  ASSERT_LT(sst, records.size());
  std::vector<const std::vector<std::uint8_t>*> parts{&records[sst].data};
  for (std::size_t i = sst + 1; i < records.size() && records[i].type == rt::kContinue; ++i)
    parts.push_back(&records[i].data);
  ASSERT_GT(parts.size(), 3u);
  std::size_t part = 0;
  std::size_t at = 8;
  const std::uint32_t unique = platform::Get32(records[sst].data, 4);
  for (std::uint32_t k = 0; k < unique; ++k) {
    if (at == parts[part]->size()) {
      ++part;
      at = 0;
    }
    const auto& d = *parts[part];
    ASSERT_LE(at + 3, d.size()) << "string " << k << " starts without its header";
    std::size_t cch = Get16(d, at);
    std::uint8_t flags = d[at + 2];
    at += 3;
    std::size_t run_count = 0;
    if (flags & 0x08) {
      ASSERT_LE(at + 2, d.size()) << "string " << k;
      run_count = Get16(d, at);
      at += 2;
    }
    bool wide = (flags & 0x01) != 0;
    while (cch > 0) {
      if (at == parts[part]->size()) {
        ++part;
        ASSERT_LT(part, parts.size());
        ASSERT_LE((*parts[part])[0], 1u) << "string " << k << " goes on without an option byte";
        wide = ((*parts[part])[0] & 0x01) != 0;
        at = 1;
      }
      const std::size_t n = std::min(cch, (parts[part]->size() - at) / (wide ? 2 : 1));
      ASSERT_GT(n, 0u) << "string " << k << " is cut inside a character";
      at += n * (wide ? 2 : 1);
      cch -= n;
    }
    for (std::size_t run = 0; run < run_count; ++run) {
      if (at == parts[part]->size()) {
        ++part;
        at = 0;
      }
      ASSERT_LE(at + 4, parts[part]->size()) << "string " << k << " has a run cut between records";
      at += 4;
    }
  }
}

}  // namespace
}  // namespace quorlex::automation::biff8
