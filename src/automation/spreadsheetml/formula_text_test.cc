#include "automation/spreadsheetml/formula_text.h"

#include <gtest/gtest.h>

#include <map>

#include "automation/workbook/sheet.h"

namespace quorlex::automation::spreadsheetml {
namespace {

using workbook::RowEdit;

// Three sheets whose keys stand in for the workbook's, at indexes 0-2.
class FormulaTextTest : public ::testing::Test {
 protected:
  workbook::Sheet data_{workbook::SheetKind::kWorksheet, "Data"};
  workbook::Sheet other_{workbook::SheetKind::kWorksheet, "It's mine"};
  workbook::Sheet third_{workbook::SheetKind::kWorksheet, "Лист3"};
  std::vector<SheetKey> order_{&data_, &other_, &third_};

  FormulaText Parse(std::string_view text) {
    return FormulaText::Parse(text, [&](std::string_view name) -> SheetKey {
      for (SheetKey s : order_) {
        if (s->Name() == name) return s;
      }
      return nullptr;
    });
  }
  SheetLookup Lookup() {
    return {[&](SheetKey s) -> std::optional<std::size_t> {
              for (std::size_t i = 0; i < order_.size(); ++i) {
                if (order_[i] == s) return i;
              }
              return std::nullopt;
            },
            [&](std::size_t i) { return order_.at(i); }};
  }
  std::string Print(const FormulaText& f) {
    return f.Print([](SheetKey s) { return FormulaSheetName(s->Name()); });
  }
  // The formula on sheet `on` after `edit`.
  std::string Edited(std::string_view text, const RowEdit& edit, std::optional<std::size_t> on) {
    FormulaText f = Parse(text);
    f.EditRows(edit, on, on, Lookup());
    return Print(f);
  }
};

TEST_F(FormulaTextTest, WhatIsNoReferenceIsWrittenBackUnchanged) {
  for (const char* text :
       {"SUM(A1:B2)*2", "\"A1 in text\"&B3", "LOG10(C5)+ATAN2(1,2)", "'It''s mine'!$A$1",
        "Data!A:A", "Data!$3:$5", "[1]Data!A1", "Data:Лист3!A1", "Table1[[#This Row],[A1]]",
        "1.5E+3+A1", "_xlfn.STDEV.S(A1:A9)", "Unknown!B2", "#REF!+1", "TRUE", "Лист3!A1"}) {
    EXPECT_EQ(Print(Parse(text)), text) << text;
  }
  // Quotes a name does not need are not written again.
  EXPECT_EQ(Print(Parse("'Лист3'!A1")), "Лист3!A1");
}

TEST_F(FormulaTextTest, RowsDeletedAboveMoveReferencesUp) {
  const RowEdit deletion = RowEdit::Deletion(0, 1, 2);  // rows 2-3 of Data
  EXPECT_EQ(Edited("A5+$B$10", deletion, 0), "A3+$B$8");
  EXPECT_EQ(Edited("SUM(A1:A10)", deletion, 0), "SUM(A1:A8)");
  EXPECT_EQ(Edited("A2+A1", deletion, 0), "#REF!+A1");
  EXPECT_EQ(Edited("$5:$9", deletion, 0), "$3:$7");
  // Other sheets' own references stay; those naming Data follow it.
  EXPECT_EQ(Edited("A5+Data!A5", deletion, 1), "A5+Data!A3");
  EXPECT_EQ(Edited("Data!A2:B3", deletion, 1), "Data!#REF!");
  // Whole columns stay whole.
  EXPECT_EQ(Edited("SUM(Data!A:A)+SUM(A1:A1048576)", deletion, 0),
            "SUM(Data!A:A)+SUM(A1:A1048576)");
}

TEST_F(FormulaTextTest, NamesAndChartsHaveNoSheetOfTheirOwn) {
  FormulaText f = Parse("'It''s mine'!$A$4:$C$9,Data!$A$1,$A$7");
  f.EditRows(RowEdit::Deletion(1, 0, 3), std::nullopt, std::nullopt, Lookup());
  EXPECT_EQ(Print(f), "'It''s mine'!$A$1:$C$6,Data!$A$1,$A$7");
}

TEST_F(FormulaTextTest, CutRowsTakeTheirReferencesToTheOtherSheet) {
  // Rows 4-6 of Data cut and pasted at row 1 of Лист3.
  const RowEdit move = RowEdit::Move(0, 3, 5, 2, 0);
  EXPECT_EQ(Edited("A5+A8", move, 0), "Лист3!A2+A8");
  // A cell that came with the cut: its reference to the cut rows is its
  // own sheet's now, and one to the rows left behind names Data.
  FormulaText f = Parse("A5+A8");
  f.EditRows(move, 0, 2, Lookup());
  EXPECT_EQ(Print(f), "A2+Data!A8");
  // What was pasted over is lost.
  EXPECT_EQ(Edited("Лист3!B2", move, 1), "Лист3!#REF!");
}

TEST_F(FormulaTextTest, RelativeRowsOfAFormatMoveWithItsFirstCell) {
  FormulaText f = Parse("AND(A5>0,$B$9>A$2)");
  f.EditRows(RowEdit::Deletion(0, 0, 2), 0, 0, Lookup(), -2);
  EXPECT_EQ(Print(f), "AND(A3>0,$B$7>#REF!)");
}

TEST_F(FormulaTextTest, CopiesAndRenamedSheetsAreWrittenByTheirNames) {
  workbook::Sheet copy{workbook::SheetKind::kWorksheet, "Data (2)"};
  FormulaText f = Parse("Data!A1+Лист3!B2");
  EXPECT_TRUE(f.NamesSheets());
  EXPECT_FALSE(f.NamesOnly(&data_));
  EXPECT_TRUE(f.Retarget(&data_, &copy));
  copy.SetNameUnchecked("Клиент 1");
  EXPECT_EQ(Print(f), "'Клиент 1'!A1+Лист3!B2");
}

TEST(FormulaSheetNameTest, QuotedWhenItCouldReadAsSomethingElse) {
  EXPECT_EQ(FormulaSheetName("Sheet1"), "Sheet1");
  EXPECT_EQ(FormulaSheetName("Лист1"), "Лист1");
  EXPECT_EQ(FormulaSheetName("Клиент А"), "'Клиент А'");
  EXPECT_EQ(FormulaSheetName("A1"), "'A1'");
  EXPECT_EQ(FormulaSheetName("R1C1"), "'R1C1'");
  EXPECT_EQ(FormulaSheetName("2019"), "'2019'");
  EXPECT_EQ(FormulaSheetName("It's"), "'It''s'");
}

TEST(AreasTest, ReadAndWrittenBack) {
  const auto areas = ParseAreas("A1:B2 $C$5 XFD1048576");
  ASSERT_TRUE(areas);
  ASSERT_EQ(areas->size(), 3u);
  EXPECT_EQ((*areas)[2].last_row, 1048575u);
  EXPECT_EQ(AreasText(*areas), "A1:B2 C5 XFD1048576");
  EXPECT_FALSE(ParseAreas("A1:B2 Sheet1!C3"));
  EXPECT_FALSE(ParseAreas("A:A"));
}

}  // namespace
}  // namespace quorlex::automation::spreadsheetml
