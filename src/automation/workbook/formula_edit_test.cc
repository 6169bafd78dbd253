#include "automation/workbook/formula_edit.h"

#include <gtest/gtest.h>

#include <map>

#include "automation/workbook/shared_formula.h"

namespace quorlex::automation::workbook {
namespace {

using Bytes = std::vector<std::uint8_t>;

// XTI i names sheet i; index 9 names several sheets.
class FakeIndex : public SheetIndex {
 public:
  std::optional<std::size_t> SheetOf(std::uint16_t ixti) const override {
    if (ixti == 9) return std::nullopt;
    auto it = xtis.find(ixti);
    return it == xtis.end() ? std::optional<std::size_t>(ixti) : it->second;
  }
  std::uint16_t XtiOf(std::size_t sheet) override {
    for (const auto& [ixti, s] : xtis) {
      if (s == sheet) return ixti;
    }
    return static_cast<std::uint16_t>(sheet);
  }
  std::map<std::uint16_t, std::size_t> xtis;
};

Bytes Ref(std::uint8_t token, std::uint16_t row, std::uint16_t col) {
  return {token, static_cast<std::uint8_t>(row), static_cast<std::uint8_t>(row >> 8),
          static_cast<std::uint8_t>(col), static_cast<std::uint8_t>(col >> 8)};
}

Bytes Area(std::uint8_t token, std::uint16_t first, std::uint16_t last, std::uint16_t col) {
  return {token,
          static_cast<std::uint8_t>(first),
          static_cast<std::uint8_t>(first >> 8),
          static_cast<std::uint8_t>(last),
          static_cast<std::uint8_t>(last >> 8),
          static_cast<std::uint8_t>(col),
          static_cast<std::uint8_t>(col >> 8),
          static_cast<std::uint8_t>(col),
          static_cast<std::uint8_t>(col >> 8)};
}

Bytes ThreeD(std::uint16_t ixti, Bytes two_d) {
  Bytes out = two_d;
  out[0] = static_cast<std::uint8_t>(two_d[0] + 0x16);
  out.insert(out.begin() + 1,
             {static_cast<std::uint8_t>(ixti), static_cast<std::uint8_t>(ixti >> 8)});
  return out;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts)
    out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Rows 4..6 of sheet 0 deleted, as a cell formula on sheet 0 sees it.
TEST(EditFormulaRows, CellReferencesMoveShrinkOrBecomeRefErrors) {
  FakeIndex index;
  const RowEdit e = RowEdit::Deletion(0, 4, 3);
  Bytes f =
      Join({Ref(0x44, 10, 0xC001), Area(0x25, 2, 8, 0x0002), Ref(0x44, 5, 0x0000), {0x03, 0x03}});
  EXPECT_TRUE(EditFormulaRows(f, FormulaSite::Cell(0), e, index));
  EXPECT_EQ(
      f, Join({Ref(0x44, 7, 0xC001), Area(0x25, 2, 5, 0x0002), {0x4A, 0, 0, 0, 0}, {0x03, 0x03}}));
  // Nothing of it below the band: unchanged, and said so.
  Bytes above = Ref(0x24, 1, 0);
  EXPECT_FALSE(EditFormulaRows(above, FormulaSite::Cell(0), e, index));
  // A whole column stays whole.
  Bytes column = Area(0x25, 0, 0xFFFF, 0);
  EXPECT_FALSE(EditFormulaRows(column, FormulaSite::Cell(0), e, index));
}

TEST(EditFormulaRows, ThreeDReferencesFollowTheirOwnSheet) {
  FakeIndex index;
  const RowEdit e = RowEdit::Deletion(2, 0, 1);  // the first row of sheet 2
  // On sheet 0: a plain reference (sheet 0) and 3-D ones to sheets 2 and to several sheets.
  Bytes f = Join({Ref(0x24, 3, 0), ThreeD(2, Ref(0x24, 3, 0)), ThreeD(2, Area(0x25, 0, 0, 1)),
                  ThreeD(9, Ref(0x24, 3, 0))});
  EXPECT_TRUE(EditFormulaRows(f, FormulaSite::Cell(0), e, index));
  EXPECT_EQ(f, Join({Ref(0x24, 3, 0), ThreeD(2, Ref(0x24, 2, 0)),
                     Bytes{0x3D, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}, ThreeD(9, Ref(0x24, 3, 0))}));
}

TEST(EditFormulaRows, NameOffsetsStayAndNameSheetlessTokensStay) {
  FakeIndex index;
  const RowEdit e = RowEdit::Deletion(0, 0, 2);
  FormulaSite name;
  name.relative_offsets = true;
  // Sheet0!$A$5 moves; a relative Sheet0!A5 is an offset from where the name is used.
  Bytes f = Join({ThreeD(0, Ref(0x24, 4, 0)), ThreeD(0, Ref(0x24, 4, 0xC000)), Ref(0x24, 4, 0)});
  EXPECT_TRUE(EditFormulaRows(f, name, e, index));
  EXPECT_EQ(f,
            Join({ThreeD(0, Ref(0x24, 2, 0)), ThreeD(0, Ref(0x24, 4, 0xC000)), Ref(0x24, 4, 0)}));
}

TEST(EditFormulaRows, RelativeTokensCountFromTheNewFirstCell) {
  FakeIndex index;
  // A conditional format on B5:B9 (base row 4, column 1) with =A4 (offset -1, -1).
  FormulaSite site;
  site.sheet = site.new_sheet = 0;
  site.can_name_sheets = false;
  site.base_row = 4;
  site.base_col = 1;
  // Row 2 deleted: the format moves to B4:B8, its reference to A3; the offset stays.
  site.new_base_row = 3;
  site.new_base_col = 1;
  Bytes f = Ref(0x4C, 0xFFFF, 0xC0FF);
  EXPECT_FALSE(EditFormulaRows(f, site, RowEdit::Deletion(0, 2, 1), index));
  // Row 3 deleted, the row the format's first cell reads: lost.
  site.new_base_row = 3;
  f = Ref(0x4C, 0xFFFF, 0xC0FF);
  EXPECT_TRUE(EditFormulaRows(f, site, RowEdit::Deletion(0, 3, 1), index));
  EXPECT_EQ(f[0], 0x4A);
  // Row 4 deleted (the format's first row): the references are read from
  // where the first cell was and written from where it is now.
  site.new_base_row = 4;
  f = Ref(0x4C, 0xFFFF, 0xC0FF);
  EXPECT_FALSE(EditFormulaRows(f, site, RowEdit::Deletion(0, 4, 1), index));
  // The format's first range went away: counted from another column now.
  site.new_base_row = 9;
  site.new_base_col = 3;
  f = Ref(0x4C, 0xFFFF, 0xC0FF);
  EXPECT_TRUE(EditFormulaRows(f, site, RowEdit::Deletion(0, 20, 1), index));
  EXPECT_EQ(f, Ref(0x4C, static_cast<std::uint16_t>(3 - 9), 0xC0FD));
}

// Rows 10..19 of sheet 0 cut and pasted at row 0 of sheet 1.
TEST(EditFormulaRows, CutCellsTakeReferencesAndFormulasAlong) {
  FakeIndex index;
  index.xtis = {{0, 0}, {1, 1}};
  const RowEdit e = RowEdit::Move(0, 10, 19, 1, 0);
  // On sheet 0, =A12 (a cut cell) now names sheet 1: a 3-D token.
  Bytes f = Join({Ref(0x44, 11, 0), {0x12}});
  EXPECT_TRUE(EditFormulaRows(f, FormulaSite::Cell(0), e, index));
  EXPECT_EQ(f, Join({ThreeD(1, Ref(0x44, 1, 0)), {0x12}}));
  // A cut formula, now on sheet 1: =A12 (cut too) stays plain, =A2 (not
  // cut) names sheet 0.
  FormulaSite moved{0, 1, 0, 0, 0, 0, false, true};
  f = Join({Ref(0x44, 11, 0), Ref(0x44, 1, 0), {0x03}});
  EXPECT_TRUE(EditFormulaRows(f, moved, e, index));
  EXPECT_EQ(f, Join({Ref(0x44, 1, 0), ThreeD(0, Ref(0x44, 1, 0)), {0x03}}));
  // On sheet 1, a reference to a pasted-over cell is lost.
  f = Ref(0x24, 5, 0);
  EXPECT_TRUE(EditFormulaRows(f, FormulaSite::Cell(1), e, index));
  EXPECT_EQ(f, (Bytes{0x2A, 0, 0, 0, 0}));
  // A format cannot name another sheet: its reference is lost instead.
  FormulaSite format = FormulaSite::Cell(0);
  format.can_name_sheets = false;
  f = Ref(0x44, 11, 0);
  EXPECT_TRUE(EditFormulaRows(f, format, e, index));
  EXPECT_EQ(f[0], 0x4A);
}

TEST(EditFormulaRows, TokensThatDoNotParseAreLeftAlone) {
  FakeIndex index;
  Bytes f = {0x44, 20, 0, 0, 0, 0x2F};
  EXPECT_FALSE(EditFormulaRows(f, FormulaSite::Cell(0), RowEdit::Deletion(0, 0, 5), index));
  EXPECT_EQ(f, (Bytes{0x44, 20, 0, 0, 0, 0x2F}));
}

TEST(RetargetFormulaSheet, CopiesNameTheCopy) {
  FakeIndex index;
  index.xtis = {{0, 0}, {1, 3}, {2, 5}};
  Bytes f =
      Join({ThreeD(0, Ref(0x24, 1, 1)), ThreeD(1, Ref(0x24, 1, 1)), Bytes{0x3C, 0, 0, 0, 0, 0, 0}});
  EXPECT_TRUE(RetargetFormulaSheet(f, 0, 5, index));
  EXPECT_EQ(f, Join({ThreeD(2, Ref(0x24, 1, 1)), ThreeD(1, Ref(0x24, 1, 1)),
                     Bytes{0x3C, 2, 0, 0, 0, 0, 0}}));
  EXPECT_EQ(FormulaSheets(f, index), (std::vector<std::size_t>{5, 3, 5}));
  EXPECT_EQ(FormulaSheets(ThreeD(9, Ref(0x24, 0, 0)), index), std::nullopt);
}

TEST(UnshareFormula, OffsetsBecomeTheCellsOwnReferences) {
  // =$A(r-1)*2 and =B(r+1):C(r+2) shared, read for the cell at row 5, column 3 (D6).
  const Bytes shared =
      Join({Ref(0x4C, 0xFFFF, 0x8000), {0x1E, 2, 0, 0x05}, Area(0x2D, 1, 2, 0xC0FE)});
  Bytes own = UnshareFormula(shared, 5, 3);
  Bytes want = Join({Ref(0x44, 4, 0x8000), {0x1E, 2, 0, 0x05}, Area(0x25, 6, 7, 0xC001)});
  EXPECT_EQ(own, want);
}

}  // namespace
}  // namespace quorlex::automation::workbook
