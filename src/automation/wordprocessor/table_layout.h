#pragma once

#include <cstdint>
#include <vector>

#include "automation/page/page.h"

namespace quorlex::automation::text_metrics {
class Face;
}

namespace quorlex::automation::wordprocessor {

// Twips between the text of neighbouring cells (twice the cell padding).
inline constexpr int kCellGap = 114;
// Room added to every measured text: the word processor rounds its own
// layout, and a text that just fits must not wrap.
inline constexpr int kMeasureSlack = 30;
// The narrowest column: room for a digit or two.
inline constexpr int kMinimumColumn = 360;
// How close to the paper's edge a table too wide for the text may come.
inline constexpr int kPaperEdge = 567;  // 1 cm

// Where a table is placed: the width it should keep to, and how far it may
// reach into the page's margins when its words need more (zero for a table
// inside a cell).
struct TableRoom {
  int width = 0;
  int left_margin = 0;   // room to the left of the text, twips
  int right_margin = 0;  // room to the right of the text, twips
};

// Column widths of a table as laid out.
struct ColumnLayout {
  std::vector<int> widths;  // twips, one a column
  int shift = 0;            // twips the table moves left into the margin
};

// The least and most width of content (twips): its longest word, which
// must not break, and its longest line.
struct Extent {
  double min = 0;
  double max = 0;
};

// Lays out page tables in the columns a browser's automatic table layout
// gives them, with text measured in the fonts the page names.
//
// Each cell's content has a least width (its longest unbreakable word: a
// whole line under nowrap; a space between digits does not break
// "1 234 567,89") and a most width (its longest line), plus the cell's
// gap. Columns take them from their cells; a cell spanning columns spreads
// what its columns lack over them in proportion to their widths. A width
// the page gives a cell fixes its column (never below its longest word); a
// width given to the table is its width. A table whose lines all fit is as
// wide as its lines; otherwise it takes the whole width and each column
// gets its longest word plus a share of the rest in proportion to what its
// lines need. When even the longest words do not fit, the table grows into
// the margins, up to 1 cm from the paper's edge (to the right first); only
// beyond that are words broken, in the widest columns first, which all
// come down to one width while the others keep theirs.
class TableLayout {
 public:
  explicit TableLayout(const page::Page& page);

  ColumnLayout Columns(const page::Table& table, const TableRoom& room);

  // The least and most width of a cell's content, gap included.
  Extent MeasureCell(const page::Cell& cell, int depth);

 private:
  Extent MeasureParagraph(const page::Paragraph& paragraph, bool nowrap);
  Extent MeasureTable(const page::Table& table, int depth);
  // The least and most width of each column of the table.
  std::vector<Extent> ColumnExtents(const page::Table& table, int depth, int available,
                                    std::vector<int>* fixed);
  const text_metrics::Face& FaceOf(std::uint32_t char_format);

  const page::Page& page_;
  std::vector<const text_metrics::Face*> faces_;  // by char format, filled on use
};

}  // namespace quorlex::automation::wordprocessor
