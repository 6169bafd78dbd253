#include "automation/workbook/workbook.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

using platform::Get16;
using platform::Get32;

namespace {

TEST(ErrorValues, TextsAndCodesGoBothWays) {
  for (int code : {0x00, 0x07, 0x0F, 0x17, 0x1D, 0x24, 0x2A})
    EXPECT_EQ(ErrorCode(ErrorText(static_cast<std::uint8_t>(code))), code);
  EXPECT_EQ(ErrorText(0x07), "#DIV/0!");
  EXPECT_EQ(ErrorText(0x99), "#N/A");
  EXPECT_EQ(ErrorCode("#SPILL!"), 0x2A);
}

TEST(CellStore, UsedAreaFollowsValuesFormatsAndDeletions) {
  CellStore cells;
  Area a;
  EXPECT_FALSE(cells.UsedArea(a));
  cells.SetText(10, 2, "x");
  cells.SetXf(20, 5, 40);          // a format alone counts
  cells.SetXf(30, 7, kDefaultXf);  // the default format does not
  ASSERT_TRUE(cells.UsedArea(a));
  EXPECT_EQ(a, (Area{10, 20, 2, 5}));
  cells.DeleteRows(0, 5);  // above the box: it moves
  ASSERT_TRUE(cells.UsedArea(a));
  EXPECT_EQ(a, (Area{5, 15, 2, 5}));
  cells.DeleteRows(15, 1);  // its last row: it shrinks
  ASSERT_TRUE(cells.UsedArea(a));
  EXPECT_EQ(a, (Area{5, 5, 2, 2}));
  cells.ClearValue(5, 2);
  EXPECT_FALSE(cells.UsedArea(a));
}

TEST(CellStore, BandCopyHoldsOnlyItsOwnTexts) {
  CellStore cells;
  for (std::uint32_t r = 0; r < 1000; ++r)
    cells.SetText(r, 0, std::string(100, static_cast<char>('a' + r % 26)));
  cells.SetNumber(500, 3, 2.5);
  CellStore band = cells.CopyRows(500, 509);
  EXPECT_EQ(band.RowCount(), 10u);
  EXPECT_EQ(band.Text(*band.Find(0, 0)), std::string(100, static_cast<char>('a' + 500 % 26)));
  EXPECT_DOUBLE_EQ(band.Number(*band.Find(0, 3)), 2.5);
  EXPECT_LT(band.MemoryBytes(), cells.MemoryBytes() / 20);
}

TEST(CellStore, MovedRowsLeaveTheSourceEmpty) {
  CellStore from;
  CellStore to;
  from.SetText(3, 1, "moved");
  from.MutableRowInfo(3) = {500, 0x140, kDefaultXf, true};
  to.SetText(0, 0, "replaced");
  to.MoveRowsFrom(from, 3, 4, 0);
  EXPECT_EQ(to.Text(*to.Find(0, 1)), "moved");
  EXPECT_EQ(to.Find(0, 0), nullptr);
  EXPECT_EQ(to.Rows()[0].info.height, 500);
  EXPECT_EQ(from.Find(3, 1), nullptr);
  Area a;
  EXPECT_FALSE(from.UsedArea(a));
}

TEST(FormulaBody, EncodesAndDecodesEveryPart) {
  FormulaBody body;
  body.record = {1, 2, 3, 4, 5, 6, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 3, 0, 0x1E, 0x05, 0x00};
  body.cached_text = "итого";
  body.attached.push_back({0x04BC, {9, 8, 7}});
  FormulaBody back = FormulaBody::Decode(body.Encode());
  EXPECT_EQ(back.record, body.record);
  EXPECT_EQ(back.cached_text, body.cached_text);
  ASSERT_EQ(back.attached.size(), 1u);
  EXPECT_EQ(back.attached[0].type, 0x04BC);
  EXPECT_EQ(back.attached[0].data, body.attached[0].data);
}

TEST(SheetNames, CopiesAreNumberedAndFitThirtyOneCharacters) {
  auto book = Workbook::CreateBlank();
  EXPECT_EQ(book->CopyName("Лист1"), "Лист1 (2)");
  book->RenameSheet(0, "Отчёт (2)");
  EXPECT_EQ(book->CopyName("Отчёт (2)"), "Отчёт (3)");
  std::string long_name = "Отчёт по клиентам за декабрь 20";  // 31 characters
  book->RenameSheet(0, long_name);
  std::string copy = book->CopyName(long_name);
  EXPECT_EQ(copy, "Отчёт по клиентам за декабр (2)");
  EXPECT_NO_THROW(CheckSheetName(copy));
  EXPECT_EQ(book->FindSheet("ОТЧЁТ ПО КЛИЕНТАМ ЗА ДЕКАБРЬ 20"), 0u);
  EXPECT_THROW(CheckSheetName("History"), Error);
}

TEST(Sheet, CopiedSheetBecomesActiveAfterItsPlace) {
  auto book = Workbook::CreateBlank();
  book->SheetAt(0).Cells().SetText(0, 0, "a");
  std::size_t i = book->CopySheet(0, 0);
  EXPECT_EQ(i, 1u);
  EXPECT_EQ(book->ActiveSheet(), 1u);
  std::size_t j = book->CopySheetRows(0, 0, 0, 0);  // between the two
  EXPECT_EQ(j, 1u);
  EXPECT_EQ(book->SheetAt(2).Name(), "Лист1 (2)");
  EXPECT_EQ(book->SheetAt(1).Name(), "Лист1 (3)");
}

TEST(Drawing, CommentsAndShapesFollowDeletedRows) {
  Sheet sheet(SheetKind::kWorksheet, "s");
  Drawing& d = sheet.Art();
  d.AddNote(2, 0, "a").note->text = "in the band";
  d.AddNote(10, 1, "b").note->text = "below";
  d.AddNote(0, 1, "c").note->text = "above";
  sheet.DeleteRows(1, 3);
  EXPECT_EQ(d.FindNote(2, 0), nullptr);
  ASSERT_NE(d.FindNote(7, 1), nullptr);
  EXPECT_EQ(d.FindNote(7, 1)->note->text, "below");
  std::uint32_t top = 0, bottom = 0;
  ASSERT_TRUE(d.FindNote(7, 1)->AnchorRows(top, bottom));
  EXPECT_EQ(top, 6u);  // the box moved with its cell
  EXPECT_NE(d.FindNote(0, 1), nullptr);

  std::vector<Record> records;
  std::vector<Record> notes;
  d.Write(3, 3 * 1024, records, notes);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(Get16(notes[0].data, 6), 1);  // object ids from 1, in shape order
  EXPECT_EQ(Get16(notes[1].data, 6), 2);
  EXPECT_EQ(records.front().type, 0x00EC);
  // The drawing's own id and its shapes' ids are the ones given.
  EXPECT_EQ(Get16(records.front().data, 8), 0x0030);          // drawing 3
  EXPECT_EQ(Get32(records.front().data, 16), 3u);             // shapes: group and two boxes
  EXPECT_EQ(Get32(records.front().data, 20), 3u * 1024 + 2);  // last shape id
}

TEST(Styles, FormatsAreInternedAndColoursFound) {
  auto book = Workbook::CreateBlank();
  Styles& s = book->Formats();
  EXPECT_EQ(s.InternFormat("0.00"), 2);
  std::uint16_t five = s.InternFormat("#,##0.00000");
  EXPECT_GE(five, 164);
  EXPECT_EQ(s.InternFormat("#,##0.00000"), five);
  std::uint16_t a = s.Derive(kDefaultXf, [](Xf& x) { x.SetWrap(true); });
  std::uint16_t b = s.Derive(kDefaultXf, [](Xf& x) { x.SetWrap(true); });
  EXPECT_EQ(a, b);
  EXPECT_EQ(s.ColorIndexFor(0xFF0000), 10);  // red is palette colour 10
  EXPECT_EQ(s.ColorIndexFor(0xFE0101), 10);  // and so is nearly red
  EXPECT_FALSE(s.HasCustomPalette());
  std::uint8_t custom = s.ColorIndexFor(0x123456);
  EXPECT_TRUE(s.HasCustomPalette());
  EXPECT_EQ(s.Colors()[custom - 8], 0x123456u);
  EXPECT_EQ(s.ColorIndexFor(0x123456), custom);
}

}  // namespace
}  // namespace quorlex::automation::workbook

namespace quorlex::automation::workbook {
namespace {

TEST(Sheet, HyperlinksAndMergesMoveWithDeletedRows) {
  Sheet sheet(SheetKind::kWorksheet, "s");
  sheet.Hyperlinks().push_back({{10, 10, 0, 0}, {1, 2, 3}, {}});
  sheet.Hyperlinks().push_back({{2, 2, 1, 1}, {4}, {}});
  sheet.Merges().push_back({0, 6, 3, 3});  // across the band: shrinks
  sheet.DeleteRows(1, 3);
  ASSERT_EQ(sheet.Hyperlinks().size(), 1u);
  EXPECT_EQ(sheet.Hyperlinks()[0].area, (Area{7, 7, 0, 0}));
  EXPECT_EQ(sheet.Merges(), (std::vector<Area>{{0, 3, 3, 3}}));
}

}  // namespace
}  // namespace quorlex::automation::workbook
