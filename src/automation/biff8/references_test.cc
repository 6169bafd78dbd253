// The Excel-made fixtures under row deletion, cut and paste and sheet copy:
// every name, format, validation, page break and formula points where
// Excel's own operation points it. Expected tokens are worked out by hand.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "automation/biff8/reader.h"
#include "automation/biff8/records.h"
#include "automation/biff8/writer.h"
#include "automation/testing/fixtures.h"
#include "automation/workbook/code_names.h"
#include "automation/workbook/extern_sheets.h"
#include "automation/workbook/sqref.h"

namespace quorlex::automation::biff8 {
namespace {

using automation::testing::XlsFixture;
using Bytes = std::vector<std::uint8_t>;

std::unique_ptr<workbook::Workbook> Read(const char* fixture) {
  return ReadWorkbook(XlsFixture(fixture));
}

// Written and read again: what the engine changed is what the file says.
std::unique_ptr<workbook::Workbook> Saved(const workbook::Workbook& book) {
  return ReadWorkbookStream(WriteWorkbookStream(book));
}

// The formula of the name (built-in `code`, or user name `text`) of sheet
// number `sheet` (0: the workbook's).
Bytes NameFormula(const workbook::Workbook& book, std::u16string text, std::uint16_t sheet) {
  const std::size_t i = book.Names().Find(text, sheet);
  if (i == static_cast<std::size_t>(-1)) return {0xEE};
  return book.Names().At(i).Formula();
}
std::u16string Builtin(std::uint8_t code) { return std::u16string(1, static_cast<char16_t>(code)); }

// A 3-D area token naming XTI `ixti`.
Bytes Area3d(std::uint16_t ixti, std::uint16_t first, std::uint16_t last, std::uint16_t col1,
             std::uint16_t col2, std::uint8_t token = 0x3B) {
  Bytes out = {token};
  for (std::uint16_t v : {ixti, first, last, col1, col2})
    platform::Append16(out, v);
  return out;
}

// Tokens of the formula of cell (row, col) of sheet `s`.
Bytes CellTokens(const workbook::Workbook& book, std::size_t s, std::uint32_t row,
                 std::uint16_t col) {
  const auto& cells = book.SheetAt(s).Cells();
  const workbook::Cell* cell = cells.Find(row, col);
  if (cell == nullptr || cell->kind != workbook::CellKind::kFormula) return {0xEE};
  auto body = workbook::FormulaBody::Decode(cells.Blob(*cell));
  const std::size_t length = platform::Get16(body.record, 14);
  return Bytes(body.record.begin() + 16,
               body.record.begin() + 16 + static_cast<std::ptrdiff_t>(length));
}

std::uint16_t XtiOf(workbook::Workbook& book, std::size_t sheet) {
  return workbook::ExternSheets(book).XtiOf(sheet);
}

TEST(PrintArea, ShrinksWithDeletedRowsAndIsLostWithThemAll) {
  auto book = Read("SimpleWithPrintArea.xls");  // Sheet1!$A$1:$C$5
  const auto area = Builtin(workbook::builtin_name::kPrintArea);
  book->DeleteRows(0, 1, 2);
  EXPECT_EQ(NameFormula(*Saved(*book), area, 1), Area3d(0, 0, 2, 0, 2));
  book->DeleteRows(1, 0, 10);  // another sheet: nothing
  book->DeleteRows(0, 0, 3);
  EXPECT_EQ(NameFormula(*Saved(*book), area, 1), Area3d(0, 0, 0, 0, 0, 0x3D));
}

TEST(PrintTitles, RowsFollowColumnsStay) {
  auto book = Read("RepeatingRowsCols.xls");
  const auto titles = Builtin(workbook::builtin_name::kPrintTitles);
  book->DeleteRows(1, 0, 1);  // Sheet2 repeats $1:$1
  book->DeleteRows(2, 0, 1);  // Sheet3 repeats $A:$A
  book->DeleteRows(3, 0, 1);  // Sheet4 repeats $A:$B and $2:$3
  auto saved = Saved(*book);
  EXPECT_EQ(NameFormula(*saved, titles, 2), Area3d(1, 0, 0, 0, 0, 0x3D));
  EXPECT_EQ(NameFormula(*saved, titles, 3), Area3d(2, 0, 0xFFFF, 0, 0));
  Bytes four = {0x29, 0x17, 0x00};
  for (const Bytes& part : {Area3d(3, 0, 0xFFFF, 0, 1), Area3d(3, 0, 1, 0, 0xFF), Bytes{0x10}}) {
    four.insert(four.end(), part.begin(), part.end());
  }
  EXPECT_EQ(NameFormula(*saved, titles, 4), four);
}

TEST(SheetCopy, TakesTheSheetsNamesPointingAtTheCopy) {
  auto book = Read("SimpleWithPrintArea.xls");
  const auto area = Builtin(workbook::builtin_name::kPrintArea);
  const std::size_t whole = book->CopySheet(0, 2);
  // A band of rows 2..3: the rows above it go, and with them the print area's first rows.
  const std::size_t band = book->CopySheetRows(0, 2, 3, whole);
  auto saved = Saved(*book);
  EXPECT_EQ(NameFormula(*saved, area, 1), Area3d(0, 0, 4, 0, 2));
  EXPECT_EQ(NameFormula(*saved, area, static_cast<std::uint16_t>(whole + 1)),
            Area3d(XtiOf(*saved, whole), 0, 4, 0, 2));
  EXPECT_EQ(NameFormula(*saved, area, static_cast<std::uint16_t>(band + 1)),
            Area3d(XtiOf(*saved, band), 0, 2, 0, 2));
  // The workbook's own SUPBOOK counts every sheet.
  bool counted = false;
  for (const auto& g : saved->Globals()) {
    if (g.record.type == 0x01AE && g.record.data.size() == 4)
      counted = platform::Get16(g.record.data, 0) == 5;
  }
  EXPECT_TRUE(counted);
}

TEST(SheetCopy, WorkbookNamesOfTheSheetBecomeTheCopysOwn) {
  auto book = Read("testNames.xls");
  const std::size_t names = book->Names().Count();
  const std::size_t copy = book->CopySheet(0, 0);
  // nr_A1, nr_B2_D3, n_OFFSET refer to Sheet1 alone; the others to no sheet.
  EXPECT_EQ(book->Names().Count(), names + 3);
  const auto number = static_cast<std::uint16_t>(copy + 1);
  const std::uint16_t xti = XtiOf(*book, copy);
  EXPECT_EQ(NameFormula(*book, u"nr_A1", number),
            (Bytes{0x3A, static_cast<std::uint8_t>(xti), 0, 0, 0, 0, 0}));
  EXPECT_EQ(NameFormula(*book, u"nr_A1", 0), (Bytes{0x3A, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(NameFormula(*book, u"crapName", number), Bytes{0xEE});
  // The workbook has a VBA project: the copy keeps its source's code name.
  EXPECT_EQ(workbook::SheetCodeName(book->SheetAt(copy)), "Sheet1");
}

TEST(SheetCopy, CopiesGetCodeNamesOfTheirOwn) {
  auto book = workbook::Workbook::CreateBlank();
  workbook::Record code{0x01BA, {6, 0, 0, 'S', 'h', 'e', 'e', 't', '1'}};
  auto& items = book->SheetAt(0).Items();
  items.insert(items.end() - 1, {workbook::Slot::kNone, code});
  const std::size_t a = book->CopySheet(0, 0);
  const std::size_t b = book->CopySheetRows(0, 0, 0, a);
  const std::size_t c = book->CopySheet(a, b);
  EXPECT_EQ(workbook::SheetCodeName(book->SheetAt(0)), "Sheet1");
  EXPECT_EQ(workbook::SheetCodeName(book->SheetAt(a)), "Sheet11");
  EXPECT_EQ(workbook::SheetCodeName(book->SheetAt(b)), "Sheet12");
  EXPECT_EQ(workbook::SheetCodeName(book->SheetAt(c)), "Sheet111");
  EXPECT_EQ(workbook::SheetCodeName(Saved(*book)->SheetAt(c)), "Sheet111");
}

TEST(Formulas, ThreeDReferencesFollowOtherSheetsRows) {
  auto book = Read("3dFormulas.xls");  // Sheet1!A5 =S2!A1, Sheet1!A7 =SUM(Sh3!A1:A4)
  book->DeleteRows(1, 0, 1);
  book->DeleteRows(2, 1, 2);
  auto saved = Saved(*book);
  EXPECT_EQ(CellTokens(*saved, 0, 4, 0), (Bytes{0x5C, 2, 0, 0, 0, 0, 0}));
  EXPECT_EQ(CellTokens(*saved, 0, 6, 0),
            (Bytes{0x3B, 0, 0, 0, 0, 1, 0, 0, 0xC0, 0, 0xC0, 0x42, 1, 4, 0}));
  // Sheet1!A2 =Sheet1!A1: its own rows.
  book->DeleteRows(0, 0, 1);
  EXPECT_EQ(CellTokens(*book, 0, 0, 0), (Bytes{0x5C, 1, 0, 0, 0, 0, 0}));
}

TEST(Formulas, CopiesNameThemselvesWhereTheSourceNamedItself) {
  auto book = Read("3dFormulas.xls");
  const std::size_t copy = book->CopySheet(0, 2);
  const auto xti = static_cast<std::uint8_t>(XtiOf(*book, copy));
  EXPECT_EQ(CellTokens(*book, copy, 1, 0), (Bytes{0x5A, xti, 0, 0, 0, 0, 0xC0}));
  EXPECT_EQ(CellTokens(*book, copy, 4, 0), (Bytes{0x5A, 2, 0, 0, 0, 0, 0xC0}));  // S2 stays S2
  EXPECT_EQ(CellTokens(*book, 0, 1, 0), (Bytes{0x5A, 1, 0, 0, 0, 0, 0xC0}));
}

TEST(Formulas, SharedFormulasBecomeEachCellsOwn) {
  // B2:B8 share =A$1*2, B12:H12 share =$A11*2.
  auto book = Read("SharedFormulaTest.xls");
  EXPECT_EQ(CellTokens(*book, 0, 2, 1), (Bytes{0x44, 0, 0, 0, 0x40, 0x1E, 2, 0, 0x05}));
  EXPECT_EQ(CellTokens(*book, 0, 11, 2), (Bytes{0x44, 10, 0, 0, 0x80, 0x1E, 2, 0, 0x05}));
  // A copy of row 3 alone: its formula read row 1, deleted with the rows above.
  const std::size_t band = book->CopySheetRows(0, 2, 2, 0);
  EXPECT_EQ(CellTokens(*book, band, 0, 1), (Bytes{0x4A, 0, 0, 0, 0, 0x1E, 2, 0, 0x05}));
  book->DeleteRows(0, 0, 1);
  auto saved = Saved(*book);
  EXPECT_EQ(CellTokens(*saved, 0, 1, 1), (Bytes{0x4A, 0, 0, 0, 0, 0x1E, 2, 0, 0x05}));
  EXPECT_EQ(CellTokens(*saved, 0, 10, 2), (Bytes{0x44, 9, 0, 0, 0x80, 0x1E, 2, 0, 0x05}));
}

TEST(ConditionalFormats, FollowDeletedAndCutRows) {
  auto book = Read("WithConditionalFormatting.xls");  // A1:A8, B9 (=$A$8>5), B1:B7; A8 =SUM(A1:A7)
  book->DeleteRows(0, 0, 1);
  auto saved = Saved(*book);
  std::vector<std::vector<workbook::Area>> ranges;
  for (const auto& item : saved->SheetAt(0).Items()) {
    if (item.record.type == 0x01B0) ranges.push_back(workbook::ReadSqref(item.record.data, 12));
  }
  EXPECT_EQ(ranges, (std::vector<std::vector<workbook::Area>>{
                        {{0, 6, 0, 0}}, {{7, 7, 1, 1}}, {{0, 5, 1, 1}}}));
  EXPECT_EQ(CellTokens(*saved, 0, 6, 0),
            (Bytes{0x25, 0, 0, 5, 0, 0, 0xC0, 0, 0xC0, 0x19, 0x10, 0, 0}));
  // Everything cut to Sheet2: formats and formula go along, still naming their own sheet.
  book->MoveRows(0, 0, 7, 1, 0);
  saved = Saved(*book);
  std::size_t formats = 0;
  for (const auto& item : saved->SheetAt(1).Items())
    formats += item.record.type == 0x01B0 ? 1 : 0;
  EXPECT_EQ(formats, 3u);
  for (const auto& item : saved->SheetAt(0).Items())
    EXPECT_NE(item.record.type, 0x01B0);
  EXPECT_EQ(CellTokens(*saved, 1, 6, 0),
            (Bytes{0x25, 0, 0, 5, 0, 0, 0xC0, 0, 0xC0, 0x19, 0x10, 0, 0}));
}

TEST(PageBreaks, FollowRowsOnTheSheetAndItsCopies) {
  auto book = Read("SimpleWithPageBreaks.xls");  // a break before row 24 (0-based 23)
  auto breaks = [](const workbook::Sheet& s) {
    for (const auto& item : s.Items()) {
      if (item.record.type == 0x001B) return platform::Get16(item.record.data, 2);
    }
    return std::uint16_t{0};
  };
  const std::size_t band = book->CopySheetRows(0, 5, 30, 0);
  book->DeleteRows(0, 0, 3);
  auto saved = Saved(*book);
  EXPECT_EQ(breaks(saved->SheetAt(0)), 20);
  EXPECT_EQ(breaks(saved->SheetAt(band)), 18);
}

}  // namespace
}  // namespace quorlex::automation::biff8

namespace quorlex::automation::biff8 {
namespace {

// The stream with the first MSODRAWING of the first sheet carried on in a
// CONTINUE record after `split` bytes, as Excel writes a drawing longer
// than a record; sheet offsets follow.
std::vector<std::uint8_t> WithContinuedDrawing(const std::vector<std::uint8_t>& stream,
                                               std::size_t split) {
  RecordReader in(stream);
  workbook::Record r;
  std::vector<std::pair<std::size_t, workbook::Record>> records;
  std::size_t at = 0;
  while (in.Next(r)) {
    records.emplace_back(at, r);
    at = in.Offset();
  }
  std::map<std::size_t, std::size_t> moved;
  std::vector<std::uint8_t> out;
  bool done = false;
  for (auto& [old_at, rec] : records) {
    moved[old_at] = out.size();
    if (!done && rec.type == rt::kMsoDrawing && rec.data.size() > split) {
      done = true;
      AppendRecord(out, rec.type, std::span<const std::uint8_t>(rec.data).subspan(0, split));
      AppendRecord(out, rt::kContinue, std::span<const std::uint8_t>(rec.data).subspan(split));
    } else {
      AppendRecord(out, rec.type, rec.data);
    }
  }
  for (auto& [old_at, rec] : records) {
    if (rec.type == rt::kBoundSheet)
      platform::Put32(out, moved[old_at] + 4,
                      static_cast<std::uint32_t>(moved[platform::Get32(rec.data, 0)]));
  }
  return out;
}

TEST(Drawings, ALayerGoingOnInContinueRecordsIsTakenApart) {
  auto stream = WriteWorkbookStream(*Read("SimpleWithComments.xls"));
  auto book = ReadWorkbookStream(WithContinuedDrawing(stream, 40));
  const auto& art = book->SheetAt(0).Art();
  ASSERT_FALSE(art.Empty());
  std::vector<std::pair<std::uint32_t, std::uint16_t>> notes;
  for (const auto& shape : art.Shapes()) {
    if (shape.note) notes.emplace_back(shape.note->row, shape.note->col);
  }
  EXPECT_EQ(notes, (std::vector<std::pair<std::uint32_t, std::uint16_t>>{{0, 1}, {1, 1}, {2, 1}}));
  // Comments then follow their cells.
  book->DeleteRows(0, 0, 1);
  EXPECT_NE(book->SheetAt(0).Art().FindNote(1, 1), nullptr);
  EXPECT_EQ(book->SheetAt(0).Art().FindNote(2, 1), nullptr);
}

// Drawing and shape identifiers of a written stream, sheet by sheet.
std::vector<std::pair<std::uint32_t, std::vector<std::uint32_t>>> DrawingIdentifiers(
    const std::vector<std::uint8_t>& stream) {
  std::vector<std::pair<std::uint32_t, std::vector<std::uint32_t>>> out;
  RecordReader in(stream);
  workbook::Record r;
  std::vector<std::uint8_t> art;
  auto flush = [&] {
    if (art.empty()) return;
    std::pair<std::uint32_t, std::vector<std::uint32_t>> layer;
    workbook::WalkArt(art, 0, art.size(),
                      [&](std::uint16_t type, std::uint16_t instance, std::size_t, std::size_t body,
                          std::size_t len, int) {
                        if (type == 0xF008) layer.first = instance;
                        if (type == 0xF00A && len >= 8)
                          layer.second.push_back(platform::Get32(art, body));
                      });
    out.push_back(layer);
    art.clear();
  };
  while (in.Next(r)) {
    if (r.type == rt::kMsoDrawing) art.insert(art.end(), r.data.begin(), r.data.end());
    if (r.type == rt::kEof) flush();
  }
  return out;
}

TEST(Drawings, EveryLayerHasIdentifiersOfItsOwn) {
  // A layer that cannot be taken apart, on a sheet copied twice.
  auto stream = WriteWorkbookStream(*Read("SimpleWithComments.xls"));
  RecordReader in(stream);
  workbook::Record r;
  while (in.Next(r) && r.type != rt::kMsoDrawing) {
  }
  const std::size_t at = in.Offset() - r.data.size();
  ASSERT_EQ(platform::Get16(r.data, 26), 0xF003);  // the shapes' group
  platform::Put32(stream, at + 28, 0x7FFFFFFF);
  auto book = ReadWorkbookStream(stream);
  ASSERT_TRUE(book->SheetAt(0).Art().Empty());
  book->CopySheet(0, 2);
  book->CopySheetRows(0, 0, 5, 3);
  auto layers = DrawingIdentifiers(WriteWorkbookStream(*book));
  ASSERT_EQ(layers.size(), 3u);
  std::set<std::uint32_t> drawings;
  std::set<std::uint32_t> shapes;
  for (const auto& [dg, spids] : layers) {
    EXPECT_TRUE(drawings.insert(dg).second) << dg;
    for (std::uint32_t spid : spids)
      EXPECT_TRUE(shapes.insert(spid).second) << spid;
  }
}

}  // namespace
}  // namespace quorlex::automation::biff8
