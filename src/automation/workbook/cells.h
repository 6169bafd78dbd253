#pragma once

// Cell storage of one worksheet. A row is a vector of 16-byte cells sorted
// by column; texts and formula bodies live in one arena per sheet. Rows are
// kept in a dense vector, so that deleting a band of rows moves only the
// rows below it and reading a cell is an index and a binary search.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "automation/workbook/styles.h"

namespace quorlex::automation::workbook {

// kRichText is a text with formatting runs (a template's header, say).
enum class CellKind : std::uint8_t {
  kBlank,
  kNumber,
  kText,
  kBoolean,
  kError,
  kFormula,
  kRichText
};

inline bool IsText(CellKind k) { return k == CellKind::kText || k == CellKind::kRichText; }

// An error value's text as Excel shows it ("#DIV/0!" for 0x07), by its
// BIFF code; an unknown code is #N/A. And the reverse, #N/A for any other
// text.
std::string_view ErrorText(std::uint8_t code);
std::uint8_t ErrorCode(std::string_view text);

// One cell: its column, format and value.
struct Cell {
  std::uint64_t payload = 0;  // number bits, arena offset, or boolean/error code
  std::uint16_t col = 0;
  std::uint16_t xf = kDefaultXf;
  CellKind kind = CellKind::kBlank;
};

// Row properties as a ROW record carries them.
struct RowInfo {
  std::uint16_t height = 0x00FF;  // twips; bit 15 set means "default height"
  std::uint16_t flags =
      0x0100;  // outline level, collapsed, hidden (0x20), custom height (0x40), formatted (0x80)
  std::uint16_t xf_word = kDefaultXf;  // row format index in bits 0..11, and the thick-edge bits
  bool own = false;                    // the template gave the row properties of its own

  bool operator==(const RowInfo&) const = default;
};

// One row: its cells and its row record.
struct Row {
  std::vector<Cell> cells;
  RowInfo info;
};

// A rectangle of cells, 0-based, inclusive.
struct Area {
  std::uint32_t first_row = 0;
  std::uint32_t last_row = 0;
  std::uint16_t first_col = 0;
  std::uint16_t last_col = 0;

  bool Contains(std::uint32_t r, std::uint16_t c) const {
    return r >= first_row && r <= last_row && c >= first_col && c <= last_col;
  }
  bool operator==(const Area&) const = default;
};

// The body of a formula cell: the FORMULA record from its value field on,
// the cached text result, and the records that belong to it (shared formula,
// array, table). Host coordinates inside are relative to the cell.
struct FormulaBody {
  std::vector<std::uint8_t> record;  // value(8) flags(2) chn(4) cce(2) rgce rgcb
  std::string cached_text;
  // A record that belongs to the formula (shared formula, array or table).
  struct Attached {
    std::uint16_t type = 0;
    std::vector<std::uint8_t> data;
  };
  std::vector<Attached> attached;

  std::string Encode() const;
  static FormulaBody Decode(std::string_view blob);
};

// The cells of a sheet, row by row.
class CellStore {
 public:
  std::uint32_t RowCount() const { return static_cast<std::uint32_t>(rows_.size()); }
  const Row* RowAt(std::uint32_t r) const { return r < rows_.size() ? &rows_[r] : nullptr; }
  RowInfo& MutableRowInfo(std::uint32_t r);
  const std::vector<Row>& Rows() const { return rows_; }

  const Cell* Find(std::uint32_t r, std::uint16_t c) const;

  void SetNumber(std::uint32_t r, std::uint16_t c, double value);
  void SetText(std::uint32_t r, std::uint16_t c, std::string_view text);
  // Text with BIFF formatting runs: 4 bytes each, the UTF-16 position where
  // the run starts and its font index.
  void SetRichText(std::uint32_t r, std::uint16_t c, std::string_view text, std::string_view runs);
  void SetBoolean(std::uint32_t r, std::uint16_t c, bool value);
  void SetError(std::uint32_t r, std::uint16_t c, std::uint8_t code);
  void SetFormula(std::uint32_t r, std::uint16_t c, const FormulaBody& body);
  // Empties the value; the format stays.
  void ClearValue(std::uint32_t r, std::uint16_t c);
  void SetXf(std::uint32_t r, std::uint16_t c, std::uint16_t xf);
  std::uint16_t XfOf(std::uint32_t r, std::uint16_t c) const;
  // Appends a cell at the end of its row; for readers that meet cells in order.
  void Append(std::uint32_t r, const Cell& cell) {
    Grow(r);
    PushOrPlace(rows_[r], cell);
    Touch(r, cell);
  }

  double Number(const Cell& cell) const;
  std::string_view Text(const Cell& cell) const;  // plain or rich
  std::string_view Runs(const Cell& cell) const;  // empty for plain text
  std::uint64_t StoreRichText(std::string_view text, std::string_view runs);
  std::string_view Blob(const Cell& cell) const;
  // Stores text in the arena and returns the payload that refers to it.
  std::uint64_t StoreText(std::string_view text);

  // Bounding box of cells holding a value or a format other than the
  // default one; false when there is none.
  bool UsedArea(Area& area) const;

  // Removes rows [first, first+count): the rows below move up.
  void DeleteRows(std::uint32_t first, std::uint32_t count);
  // A store holding rows [first, last] of this one at row 0.
  CellStore CopyRows(std::uint32_t first, std::uint32_t last) const;
  // Moves rows [first, last] of `source` to row `to` of this store; the
  // source rows are left empty (their properties stay).
  void MoveRowsFrom(CellStore& source, std::uint32_t first, std::uint32_t last, std::uint32_t to);

  std::size_t MemoryBytes() const;

  // Whether a formula was ever stored here, and one that names a sheet
  // (3-D references): row edits elsewhere skip stores without them.
  bool MayHoldFormulas() const { return formulas_; }
  bool MayNameSheets() const { return sheet_formulas_; }

 private:
  void NoteFormula(const Cell& cell);
  void Grow(std::uint32_t r);
  Cell& Place(std::uint32_t r, std::uint16_t c);
  static void PushOrPlace(Row& row, const Cell& cell);
  void Touch(std::uint32_t r, const Cell& cell);
  void Untouch(std::uint32_t r, std::uint16_t c);
  Cell CopyCellFrom(const CellStore& other, const Cell& cell);

  std::vector<Row> rows_;
  std::string arena_;
  bool formulas_ = false;
  bool sheet_formulas_ = false;
  mutable Area used_{};
  mutable bool used_known_ = true;
  mutable bool used_empty_ = true;
};

// A cell holds something Excel counts in the used range.
inline bool IsUsed(const Cell& c) { return c.kind != CellKind::kBlank || c.xf != kDefaultXf; }

}  // namespace quorlex::automation::workbook
