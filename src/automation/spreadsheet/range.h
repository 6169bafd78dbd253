#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorlex::automation::workbook {
class Sheet;
}

namespace quorlex::automation::spreadsheet {

class Workbook;
class Range;

class RangeBorder;
class RangeInterior;

// The comment of one cell.
class CellComment {
 public:
  CellComment(Workbook& book, workbook::Sheet& sheet, std::uint32_t row, std::uint16_t col)
      : book_(&book), sheet_(&sheet), row_(row), col_(col) {}
  bool Visible() const;
  void SetVisible(bool visible);
  std::string Text() const;
  // Replaces the text and returns it, as Excel's Comment.Text(Text:=...).
  std::string Text(std::string_view text);

 private:
  workbook::Sheet& Sheet() const;

  Workbook* book_;
  workbook::Sheet* sheet_;
  std::uint32_t row_;
  std::uint16_t col_;
};

// A rectangle of cells of one worksheet, 1-based. A cheap value.
class Range {
 public:
  Range(Workbook& book, workbook::Sheet& sheet, int first_row, int first_col, int last_row,
        int last_col, bool whole_rows = false);

  int Row() const { return first_row_; }
  int Column() const { return first_col_; }
  int LastRow() const { return last_row_; }
  int LastColumn() const { return last_col_; }
  // Rows or columns of the range; Count() of a range counts its cells,
  // of Rows() its rows, of Columns() its columns.
  Range Rows() const;
  Range Columns() const;
  int Count() const;

  // The top-left cell's value as text: a number converted as in an English
  // locale (15 significant digits), True/False, the text itself, "" when
  // empty.
  std::string Value() const;
  // Sets every cell: "" empties the value (the format stays); a text that
  // reads as a number is stored as one, as Excel does with typed input.
  void SetValue(std::string_view text) const;

  // Selects the range (its sheet must be active).
  void Select() const;
  // Deletes whole rows: the rows below move up.
  void Delete() const;
  // Marks whole rows to be moved by the next Paste of a worksheet.
  void Cut() const;

  RangeBorder Borders(int index) const;
  RangeInterior Interior() const;

  std::string NumberFormat() const;
  void SetNumberFormat(std::string_view code) const;

  // Refused when the cell already has a comment.
  CellComment AddComment(std::string_view text = {}) const;
  // The cell's comment; refused when it has none.
  CellComment Comment() const;
  bool HasComment() const;

  // Width of the first column in characters of the standard font.
  double ColumnWidth() const;
  bool WrapText() const;
  void SetWrapText(bool wrap) const;

  bool IsWholeRows() const { return whole_rows_; }
  Workbook& Book() const { return *book_; }
  // The engine's sheet; refused once the workbook is closed.
  workbook::Sheet& Sheet() const;

 private:
  friend class RangeBorder;
  friend class RangeInterior;
  template <typename F>
  void ForEachCell(F&& f) const;

  Workbook* book_;
  workbook::Sheet* sheet_;
  enum class Counting : std::uint8_t { kCells, kRows, kColumns };

  int first_row_;
  int first_col_;
  int last_row_;
  int last_col_;
  bool whole_rows_;
  Counting counting_ = Counting::kCells;
};

// A border of a cell range (Borders(xlEdgeLeft...)).
class RangeBorder {
 public:
  RangeBorder(const Range& range, int index);
  // xlNone removes the line; xlContinuous, xlDash, xlDot, xlDouble draw one.
  void SetLineStyle(int style) const;
  int LineStyle() const;

 private:
  Range range_;
  int index_;
};

// The fill of a range.
class RangeInterior {
 public:
  explicit RangeInterior(const Range& range);
  // xlNone removes the fill; 1..56 is a palette colour.
  void SetColorIndex(int index) const;
  int ColorIndex() const;

 private:
  Range range_;
};

}  // namespace quorlex::automation::spreadsheet
