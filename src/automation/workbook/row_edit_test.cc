#include "automation/workbook/row_edit.h"

#include <gtest/gtest.h>

namespace quorlex::automation::workbook {
namespace {

constexpr std::uint32_t kLast = 0xFFFF;

std::optional<RowSpan> Span(std::size_t sheet, std::uint32_t first, std::uint32_t last) {
  return RowSpan{sheet, first, last};
}

// Rows 10..14 (0-based) of sheet 1 deleted.
TEST(RowDeletion, ReferencesMoveShrinkOrAreLost) {
  const RowEdit e = RowEdit::Deletion(1, 10, 5);
  EXPECT_EQ(e.Apply({1, 3, 9}, kLast), Span(1, 3, 9));          // above: stays
  EXPECT_EQ(e.Apply({1, 15, 20}, kLast), Span(1, 10, 15));      // below: moves up by 5
  EXPECT_EQ(e.Apply({1, 12, 12}, kLast), std::nullopt);         // a cell in the band: #REF!
  EXPECT_EQ(e.Apply({1, 10, 14}, kLast), std::nullopt);         // exactly the band: #REF!
  EXPECT_EQ(e.Apply({1, 8, 12}, kLast), Span(1, 8, 9));         // loses its tail
  EXPECT_EQ(e.Apply({1, 12, 18}, kLast), Span(1, 10, 13));      // loses its head, the rest moves up
  EXPECT_EQ(e.Apply({1, 5, 30}, kLast), Span(1, 5, 25));        // spans the band: shrinks by 5
  EXPECT_EQ(e.Apply({0, 12, 12}, kLast), Span(0, 12, 12));      // another sheet: untouched
  EXPECT_EQ(e.Apply({1, 0, kLast}, kLast), Span(1, 0, kLast));  // a whole column stays whole
}

TEST(RowDeletion, CellsAfter) {
  const RowEdit e = RowEdit::Deletion(0, 0, 3);
  EXPECT_EQ(e.CellAfter(0, 2), std::nullopt);
  EXPECT_EQ(e.CellAfter(0, 3), Span(0, 0, 0));
  EXPECT_EQ(e.CellAfter(1, 2), Span(1, 2, 2));
  const RowEdit none = RowEdit::Deletion(0, 4, 0);
  EXPECT_EQ(none.Apply({0, 4, 4}, kLast), Span(0, 4, 4));
}

// Rows 20..29 of sheet 0 cut and pasted at row 0 of sheet 1.
TEST(RowMove, ReferencesFollowTheCutCellsAndLoseThePastedOver) {
  const RowEdit e = RowEdit::Move(0, 20, 29, 1, 0);
  EXPECT_EQ(e.Apply({0, 22, 25}, kLast), Span(1, 2, 5));  // inside the cut: follows it
  EXPECT_EQ(e.Apply({0, 20, 29}, kLast), Span(1, 0, 9));
  EXPECT_EQ(e.Apply({0, 15, 25}, kLast), Span(0, 15, 25));  // partly inside: stays
  EXPECT_EQ(e.Apply({0, 5, 5}, kLast), Span(0, 5, 5));      // rows do not close up
  EXPECT_EQ(e.Apply({1, 3, 3}, kLast), std::nullopt);       // pasted over
  EXPECT_EQ(e.Apply({1, 0, 9}, kLast), std::nullopt);
  EXPECT_EQ(e.Apply({1, 5, 12}, kLast), Span(1, 5, 12));  // partly pasted over: stays
  EXPECT_EQ(e.Apply({1, 10, 10}, kLast), Span(1, 10, 10));
  EXPECT_EQ(e.CellAfter(1, 4), std::nullopt);
  EXPECT_EQ(e.CellAfter(0, 21), Span(1, 1, 1));
  EXPECT_TRUE(e.Touches(0));
  EXPECT_TRUE(e.Touches(1));
  EXPECT_FALSE(e.Touches(2));
}

TEST(RowEditCells, DeletionShrinksAndDropsAreas) {
  const RowEdit e = RowEdit::Deletion(0, 2, 2);  // rows 2..3
  AreaSplit s = e.ApplyToCells(0, {{0, 5, 1, 1}, {2, 3, 4, 4}, {6, 9, 0, 2}}, kLast);
  EXPECT_EQ(s.stay, (std::vector<Area>{{0, 3, 1, 1}, {4, 7, 0, 2}}));
  EXPECT_TRUE(s.moved.empty());
}

TEST(RowEditCells, CutTakesItsPartAndPasteReplaces) {
  const RowEdit e = RowEdit::Move(0, 10, 19, 1, 5);
  AreaSplit source = e.ApplyToCells(0, {{5, 25, 2, 3}}, kLast);
  EXPECT_EQ(source.stay, (std::vector<Area>{{5, 9, 2, 3}, {20, 25, 2, 3}}));
  EXPECT_EQ(source.moved, (std::vector<Area>{{5, 14, 2, 3}}));
  AreaSplit target = e.ApplyToCells(1, {{0, 30, 0, 0}, {7, 8, 1, 1}}, kLast);
  EXPECT_EQ(target.stay, (std::vector<Area>{{0, 4, 0, 0}, {15, 30, 0, 0}}));
  EXPECT_TRUE(target.moved.empty());
}

}  // namespace
}  // namespace quorlex::automation::workbook
