#include <gtest/gtest.h>

#include "automation/workbook/conditional_formats.h"
#include "automation/workbook/page_breaks.h"
#include "automation/workbook/sqref.h"
#include "automation/workbook/validations.h"
#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

using platform::Append16;
using platform::Get32;

namespace {

using Bytes = std::vector<std::uint8_t>;

class NoSheets : public SheetIndex {
 public:
  std::optional<std::size_t> SheetOf(std::uint16_t) const override { return std::nullopt; }
  std::uint16_t XtiOf(std::size_t) override { return 0; }
};

Bytes Hex(const char* hex) {
  Bytes out;
  for (const char* p = hex; p[0] != 0 && p[1] != 0; p += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(p, 2), nullptr, 16)));
  return out;
}

SheetItem Kept(std::uint16_t type, Bytes data) {
  return {Slot::kNone, Record{type, std::move(data)}};
}

std::vector<const Record*> OfType(const std::vector<SheetItem>& items, std::uint16_t type) {
  std::vector<const Record*> out;
  for (const SheetItem& i : items) {
    if (i.slot == Slot::kNone && i.record.type == type) out.push_back(&i.record);
  }
  return out;
}

// The second conditional format of the Excel-made WithConditionalFormatting.xls:
// B9 when =$A$8>5, and its Excel 2007 extension.
std::vector<SheetItem> ExcelFormat() {
  return {Kept(0x01B0, Hex("01000500080008000100010001000800080001000100")),
          Kept(0x01B1, Hex("020009000000ffff3ba402800000080008000100010072006900610000060000c000c01"
                           "91000001910000000000000"
                           "0000000000000000000000000000000000000001041005dc0000000f9bffffffff02000"
                           "000bc02ffffff0000000a"
                           "00000000000000fcffffff0100000001000000000000000100000000000000000000000"
                           "1000000c00f4407000000"
                           "1e05000d")),
          {Slot::kHyperlinks, {}},
          Kept(0x087B, Hex("7b0801000800080001000100000000000200000000010300"
                           "0301b0000000ffff3ba402800001430061006d0062007200690061000000"))};
}

TEST(ConditionalFormats, ExcelsFormatFollowsDeletedRows) {
  NoSheets sheets;
  std::vector<Record> moved;
  auto items = ExcelFormat();
  // Row 3 (0-based 2) deleted: B9 becomes B8, $A$8 becomes $A$7.
  EditConditionalFormats(items, 0, RowEdit::Deletion(0, 2, 1), sheets, moved);
  auto formats = OfType(items, 0x01B0);
  ASSERT_EQ(formats.size(), 1u);
  EXPECT_EQ(ReadSqref(formats[0]->data, 12), (std::vector<Area>{{7, 7, 1, 1}}));
  EXPECT_EQ(ReadRef8(formats[0]->data, 4), (Area{7, 7, 1, 1}));
  const Bytes& cf = OfType(items, 0x01B1)[0]->data;
  EXPECT_EQ(Bytes(cf.end() - 9, cf.end()), Hex("44060000001e05000d"));
  EXPECT_EQ(ReadRef8(OfType(items, 0x087B)[0]->data, 4), (Area{7, 7, 1, 1}));
  EXPECT_TRUE(moved.empty());
  // Row 8 deleted ($A$7 now): the rule's reference is lost, the format stays.
  EditConditionalFormats(items, 0, RowEdit::Deletion(0, 6, 1), sheets, moved);
  const Bytes& lost = OfType(items, 0x01B1)[0]->data;
  EXPECT_EQ(Bytes(lost.end() - 9, lost.end()), Hex("4a000000001e05000d"));
  // Its cell deleted: the format, its rule and its extension go.
  EditConditionalFormats(items, 0, RowEdit::Deletion(0, 6, 1), sheets, moved);
  EXPECT_TRUE(OfType(items, 0x01B0).empty());
  EXPECT_TRUE(OfType(items, 0x01B1).empty());
  EXPECT_TRUE(OfType(items, 0x087B).empty());
  EXPECT_EQ(items.size(), 1u);
}

TEST(ConditionalFormats, CutRowsTakeTheirPartAlong) {
  NoSheets sheets;
  std::vector<Record> moved;
  // A1:A8 with a relative rule =A1>0 (PtgRefN offset 0, 0).
  Bytes header;
  Append16(header, 1);
  Append16(header, 2);
  header.resize(12);
  PutRef8(header, 4, {0, 7, 0, 0});
  AppendSqref(header, {{0, 7, 0, 0}});
  Bytes cf = {0x02, 0x00, 0x08, 0x00, 0x00, 0x00, 0x4C, 0, 0, 0, 0xC0, 0x1E, 0, 0, 0x0D};
  std::vector<SheetItem> items = {Kept(0x01B0, header), Kept(0x01B1, cf)};
  // Rows 4..7 cut to row 0 of sheet 1.
  EditConditionalFormats(items, 0, RowEdit::Move(0, 4, 7, 1, 0), sheets, moved);
  EXPECT_EQ(ReadSqref(OfType(items, 0x01B0)[0]->data, 12), (std::vector<Area>{{0, 3, 0, 0}}));
  ASSERT_EQ(moved.size(), 2u);
  EXPECT_EQ(ReadSqref(moved[0].data, 12), (std::vector<Area>{{0, 3, 0, 0}}));
  EXPECT_EQ(moved[1].data, cf);  // counted from its new first cell, the same rule
}

TEST(Validations, RulesShrinkMoveAndGo) {
  NoSheets sheets;
  std::vector<Record> moved;
  // A list rule on C5:C20 whose source is $E$2:$E$4, and a rule on C2.
  auto rule = [](Area cells, Bytes formula) {
    Bytes d = {0x03, 0x01, 0x00, 0x00};
    for (int i = 0; i < 4; ++i)
      d.insert(d.end(), {0x01, 0x00, 0x00, 0x00});
    Append16(d, static_cast<std::uint32_t>(formula.size()));
    Append16(d, 0);
    d.insert(d.end(), formula.begin(), formula.end());
    Append16(d, 0);
    Append16(d, 0);
    AppendSqref(d, {cells});
    return d;
  };
  const Bytes source = {0x25, 1, 0, 3, 0, 4, 0, 4, 0};
  std::vector<SheetItem> items = {
      Kept(0x01B2, Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0}),
      Kept(0x01BE, rule({4, 19, 2, 2}, source)), Kept(0x01BE, rule({1, 1, 2, 2}, {0x1E, 1, 0}))};
  // Rows 1..2 deleted: the first rule moves up and loses E2:E3, the second goes.
  EditValidations(items, 0, RowEdit::Deletion(0, 1, 2), sheets, moved);
  auto rules = OfType(items, 0x01BE);
  ASSERT_EQ(rules.size(), 1u);
  EXPECT_EQ(rules[0]->data, rule({2, 17, 2, 2}, {0x25, 1, 0, 1, 0, 4, 0, 4, 0}));
  EXPECT_EQ(Get32(OfType(items, 0x01B2)[0]->data, 14), 1u);
  // Its cells cut to another sheet: the rule goes there; its source stays
  // behind, where a validation cannot name it.
  EditValidations(items, 0, RowEdit::Move(0, 2, 17, 1, 0), sheets, moved);
  ASSERT_EQ(moved.size(), 1u);
  EXPECT_EQ(moved[0].data, rule({0, 15, 2, 2}, {0x2B, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(OfType(items, 0x01BE).empty());
  std::vector<SheetItem> target = {{Slot::kHyperlinks, {}}, Kept(0x000A, {})};
  AddValidations(target, moved);
  ASSERT_EQ(target.size(), 4u);
  EXPECT_EQ(target[1].record.type, 0x01B2);
  EXPECT_EQ(Get32(target[1].record.data, 14), 1u);
  EXPECT_EQ(target[2].record.type, 0x01BE);
}

TEST(PageBreaks, BreaksGoWithTheirRowsAndMoveUp) {
  // Breaks before rows 5, 10 and 23; rows 3..9 deleted.
  Bytes breaks = {3, 0, 5, 0, 0, 0, 0xFF, 0, 10, 0, 0, 0, 0xFF, 0, 23, 0, 0, 0, 0xFF, 0};
  std::vector<SheetItem> items = {Kept(0x001B, breaks),
                                  Kept(0x001A, {1, 0, 5, 0, 0, 0, 0xFF, 0xFF})};
  EditPageBreaks(items, 0, RowEdit::Deletion(0, 3, 7));
  EXPECT_EQ(items[0].record.data, (Bytes{2, 0, 3, 0, 0, 0, 0xFF, 0, 16, 0, 0, 0, 0xFF, 0}));
  EXPECT_EQ(items[1].record.data, (Bytes{1, 0, 5, 0, 0, 0, 0xFF, 0xFF}));
  // Another sheet's deletion, or a cut, leaves them.
  EditPageBreaks(items, 0, RowEdit::Deletion(1, 0, 20));
  EditPageBreaks(items, 0, RowEdit::Move(0, 0, 20, 1, 0));
  EXPECT_EQ(items[0].record.data.size(), 14u);
  // The rows of every break deleted: the record goes.
  EditPageBreaks(items, 0, RowEdit::Deletion(0, 0, 20));
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].record.type, 0x001A);
}

}  // namespace
}  // namespace quorlex::automation::workbook
