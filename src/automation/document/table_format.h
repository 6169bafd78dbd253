#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/document/color.h"
#include "automation/document/paragraph_format.h"

namespace quorlex::automation::document {

// A border line of a cell. Width in eighths of a point; 0 is no line.
struct BorderLine {
  int width = 0;
  std::optional<Color> color;  // none: automatic (black)
  enum class Style { kSingle = 1, kDouble = 3, kDotted = 6, kDashed = 7 } style = Style::kSingle;

  friend bool operator==(const BorderLine&, const BorderLine&) = default;
};

enum class VerticalAlignment { kTop = 0, kCenter = 1, kBottom = 2 };

// A cell of a row: the horizontal span of a cell is its width (a cell that
// spans columns is one wide cell); a vertical span is a cell that starts a
// merge and cells of the same width below that continue it.
struct CellFormat {
  int width = 0;  // twips
  BorderLine top, left, bottom, right;
  std::optional<Color> shading;
  VerticalAlignment vertical = VerticalAlignment::kTop;
  bool merge_start = false;     // first cell of a vertical merge
  bool merge_continue = false;  // continues the merge of the cell above

  friend bool operator==(const CellFormat&, const CellFormat&) = default;
};

// The most cells a row of the file can have.
inline constexpr std::size_t kMaxCells = 63;

// The format of one table row: its cells, edges, height and borders.
struct RowFormat {
  std::vector<CellFormat> cells;
  int left = 0;                        // left edge of the first cell, twips from the margin
  int gap_half = 108;                  // half the space between the text of two cells
  int height = 0;                      // at least this high; 0: as the text needs
  bool header = false;                 // repeated at the top of each page (leading rows only)
  bool keep_together = false;          // never split across two pages
  std::optional<Alignment> alignment;  // of the table on the page

  friend bool operator==(const RowFormat&, const RowFormat&) = default;
};

// The row properties a row's end paragraph carries.
std::string EncodeRowFormat(const RowFormat& row);

// The row properties with every cell that continues a vertical merge made
// to start it: for the row that becomes first when the row above goes.
std::string RestartVerticalMerges(std::string_view grpprl);

// Cell boundaries (twips) of the row a property list defines, if it defines
// one.
std::vector<int> CellBoundaries(std::string_view grpprl);

}  // namespace quorlex::automation::document
