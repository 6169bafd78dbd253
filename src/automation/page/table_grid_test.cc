#include "automation/page/table_grid.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorlex::automation::page {
namespace {

Cell Ask(std::uint32_t colspan, std::uint32_t rowspan) {
  Cell c;
  c.colspan = colspan;
  c.rowspan = rowspan;
  return c;
}

struct Placed {
  std::uint32_t column, colspan, rowspan;
  bool operator==(const Placed&) const = default;
};

std::vector<Placed> Places(const std::vector<Cell>& cells) {
  std::vector<Placed> out;
  for (const Cell& c : cells)
    out.push_back(Placed{c.column, c.colspan, c.rowspan});
  return out;
}

TEST(PlaceCells, SkipsPlacesHeldByRowSpans) {
  // | a (rowspan 2) | b | c (rowspan 3) |
  // |               | d |               |
  // | e             | f |               |
  std::vector<Cell> cells = {Ask(1, 2), Ask(1, 1), Ask(1, 3), Ask(1, 1), Ask(1, 1), Ask(1, 1)};
  const std::vector<RowSlice> rows = {{0, 3, 3}, {3, 1, 3}, {4, 2, 3}};
  EXPECT_EQ(PlaceCells(rows, cells), 3u);
  EXPECT_EQ(Places(cells), (std::vector<Placed>{
                               {0, 1, 2}, {1, 1, 1}, {2, 1, 3}, {1, 1, 1}, {0, 1, 1}, {1, 1, 1}}));
}

TEST(PlaceCells, CutsColspansShortOfRowSpansAndClampsRowspansToTheGroup) {
  // Row 0: a (col 1, rowspan 2) after an empty-ish cell; row 1: a cell
  // asking colspan 3 from column 0 runs into a's place and is cut to 1.
  std::vector<Cell> cells = {Ask(1, 1), Ask(1, 2), Ask(3, 1), Ask(1, 9), Ask(1, 0), Ask(1, 1)};
  // Rows 0-1 are one group, rows 2-3 another.
  const std::vector<RowSlice> rows = {{0, 2, 2}, {2, 1, 2}, {3, 2, 4}, {5, 1, 4}};
  EXPECT_EQ(PlaceCells(rows, cells), 3u);
  EXPECT_EQ(Places(cells), (std::vector<Placed>{
                               {0, 1, 1}, {1, 1, 2}, {0, 1, 1}, {0, 1, 2}, {1, 1, 2}, {2, 1, 1}}));
}

TEST(PlaceCells, LeavesOutCellsBeyondTheWidestTable) {
  std::vector<Cell> cells = {Ask(1000, 1)};
  for (int i = 0; i < 20; ++i)
    cells.push_back(Ask(1000, 1));
  const std::vector<RowSlice> rows = {{0, static_cast<std::uint32_t>(cells.size()), 1}};
  EXPECT_EQ(PlaceCells(rows, cells), kMaxTableColumns);
  EXPECT_EQ(cells[15].colspan, 1000u);
  EXPECT_EQ(cells[16].column, 16000u);
  EXPECT_EQ(cells[16].colspan, kMaxTableColumns - 16000u);
  EXPECT_EQ(cells[17].colspan, 0u);
}

}  // namespace
}  // namespace quorlex::automation::page
