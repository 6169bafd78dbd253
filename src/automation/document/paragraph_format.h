#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorlex::automation::document {

enum class Alignment { kLeft = 0, kCenter = 1, kRight = 2, kJustify = 3 };

// Direct paragraph formatting the engine writes, in twips.
struct ParagraphFormat {
  std::optional<Alignment> alignment;
  int outline_level = -1;  // 0-8 for headings without a heading style
  int left_indent = 0;
  int first_line_indent = 0;
  bool keep_with_next = false;
};

// Table marks of a paragraph inside a table.
struct CellParagraph {
  int depth = 0;          // 0 outside tables
  bool cell_end = false;  // the last paragraph of a cell
  bool row_end = false;   // the paragraph that ends a row
};

std::string EncodeParagraphFormat(const ParagraphFormat& format, const CellParagraph& cell);

}  // namespace quorlex::automation::document
