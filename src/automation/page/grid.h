#pragma once

// The page laid out as a spreadsheet paste: plain cells, merges and cell
// formats, 0-based relative to the cell where the paste starts. The
// spreadsheet component writes them into a worksheet; column widths and row
// heights are not produced (the template's stay). docs/paste-spreadsheet.md
// states every rule with an example.

#include <cstdint>
#include <string>
#include <vector>

#include "automation/page/page.h"

namespace quorlex::automation::page {

// The format of one sheet cell. Formats are interned: Grid::formats holds
// each distinct format once, and formats[0] is the default (nothing set).
struct CellFormat {
  CharFormat font;        // font.size 0 / font.font empty: the sheet's default
  Rgb fill = kAutoColor;  // solid fill colour; kAutoColor: no fill
  Border top, right, bottom, left;
  HorizontalAlignment horizontal = HorizontalAlignment::kGeneral;
  VerticalAlignment vertical = VerticalAlignment::kBottom;  // never Default
  bool wrap = false;                                        // the cell's text holds a line break
  std::string number_format;  // Excel number format code; empty: General,
                              // "@": text
  bool operator==(const CellFormat&) const = default;
};

// One cell of the grid: its value and format at its row and column.
struct GridCell {
  enum class Kind : std::uint8_t {
    kEmpty,   // no value, only a visible format (border or fill)
    kText,    // text holds the value
    kNumber,  // number holds the value; text is empty
  };
  std::uint32_t row = 0;
  std::uint32_t column = 0;
  Kind kind = Kind::kEmpty;
  std::uint32_t format = 0;  // index into Grid::formats
  double number = 0;
  std::string text;   // UTF-8; '\n' for a line break
  bool date = false;  // number is a date serial of the 1900 date system
};

// A merged area, bounds inclusive. Its value is in its top-left cell.
struct Merge {
  std::uint32_t first_row = 0;
  std::uint32_t first_column = 0;
  std::uint32_t last_row = 0;
  std::uint32_t last_column = 0;
  bool operator==(const Merge&) const = default;
};

// The page laid out as a grid of cells, as a worksheet takes it.
struct Grid {
  std::vector<CellFormat> formats;  // formats[0] is the default format
  std::vector<GridCell> cells;      // sorted by row, then column; no two
                                    // at one place
  std::vector<Merge> merges;        // sorted by first row, then column
  // The rows and columns the paste spans (empty rows and columns of the
  // page's tables included); 0 x 0 for a page with nothing to paste.
  std::uint32_t row_count = 0;
  std::uint32_t column_count = 0;
};

// Lays the page out as a spreadsheet's paste of a web page does.
Grid LayOutGrid(const Page& page);

// The rows and columns LayOutGrid's grid would span, measured at a fraction
// of the cost, so that a page too large for a sheet is refused before it is
// laid out.
struct GridExtent {
  std::uint64_t rows = 0;
  std::uint64_t columns = 0;
};
GridExtent MeasureGrid(const Page& page);

}  // namespace quorlex::automation::page
