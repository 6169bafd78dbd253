#pragma once

// One sheet of a workbook. A worksheet is modelled: cells, rows, columns,
// merged areas, comments, hyperlinks, its drawing layer and its window; every
// other record of its substream is kept in place. Any other sheet (chart,
// macro, dialog) is kept as its records.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation/workbook/cells.h"
#include "automation/workbook/drawing.h"
#include "automation/workbook/record.h"
#include "automation/workbook/source_markup.h"

namespace quorlex::automation::workbook {

enum class SheetKind : std::uint8_t { kWorksheet, kChart, kMacro, kOther };

// Where the writer puts what the engine models, among the kept records.
enum class Slot : std::uint8_t {
  kNone,        // a kept record
  kColumns,     // DEFCOLWIDTH and COLINFO
  kDimensions,  // DIMENSIONS
  kCells,       // ROW blocks and cell records
  kDrawing,     // MSODRAWING/OBJ/TXO... and the NOTE records
  kSelection,   // SELECTION records
  kMerges,      // MERGEDCELLS
  kHyperlinks,  // HLINK and HLINKTOOLTIP
};

// One record of a sheet, or the slot where the model writes its own.
struct SheetItem {
  Slot slot = Slot::kNone;
  Record record;
};

// Width, format and flags of a range of columns.
struct ColumnInfo {
  std::uint16_t first = 0;
  std::uint16_t last = 0;
  std::uint16_t width = 2340;  // 1/256 of a character
  std::uint16_t xf = kDefaultXf;
  std::uint16_t flags = 0;  // hidden, outline level, collapsed
  bool operator==(const ColumnInfo&) const = default;
};

// A HLINK record (and its tool tip) on a cell area.
struct Hyperlink {
  Area area;
  std::vector<std::uint8_t> data;     // HLINK body after its 8-byte area
  std::vector<std::uint8_t> tooltip;  // HLINKTOOLTIP body after its area, or empty
};

// One sheet of a workbook: cells, columns, merges, drawing and the records kept as read.
class Sheet {
 public:
  Sheet(SheetKind kind, std::string name);

  SheetKind Kind() const { return kind_; }
  bool IsWorksheet() const { return kind_ == SheetKind::kWorksheet; }
  const std::string& Name() const { return name_; }
  void SetNameUnchecked(std::string name);
  // The name upper-cased: Excel compares sheet names without regard to case.
  const std::string& NameKey() const { return name_key_; }
  // BOUNDSHEET visibility and type bytes.
  std::uint16_t BoundSheetFlags() const { return boundsheet_flags_; }
  void SetBoundSheetFlags(std::uint16_t f) { boundsheet_flags_ = f; }

  // Height in twips of a row without properties of its own, as the sheet's
  // kept DEFAULTROWHEIGHT record gives it (12.75 points without one).
  std::uint16_t DefaultRowHeight() const;

  std::vector<SheetItem>& Items() { return items_; }
  const std::vector<SheetItem>& Items() const { return items_; }

  CellStore& Cells() { return cells_; }
  const CellStore& Cells() const { return cells_; }

  // Columns.
  std::uint16_t DefaultColumnWidth() const { return default_col_width_; }  // characters
  void SetDefaultColumnWidth(std::uint16_t w) { default_col_width_ = w; }
  std::vector<ColumnInfo>& Columns() { return columns_; }
  const std::vector<ColumnInfo>& Columns() const { return columns_; }
  // Width of a column in 1/256 of a character, the default when unset.
  std::uint16_t ColumnWidthUnits(std::uint16_t col) const;
  bool ColumnHasInfo() const { return has_default_col_width_; }
  void SetHasDefaultColumnWidth(bool b) { has_default_col_width_ = b; }

  std::vector<Area>& Merges() { return merges_; }
  const std::vector<Area>& Merges() const { return merges_; }
  void AddMerge(const Area& area);

  Drawing& Art() { return drawing_; }
  const Drawing& Art() const { return drawing_; }

  std::vector<Hyperlink>& Hyperlinks() { return hyperlinks_; }
  const std::vector<Hyperlink>& Hyperlinks() const { return hyperlinks_; }

  // The active cell, 0-based; set when a cell has been selected.
  std::optional<std::pair<std::uint32_t, std::uint16_t>> ActiveCell() const { return active_cell_; }
  void SetActiveCell(std::uint32_t row, std::uint16_t col) {
    active_cell_ = std::make_pair(row, col);
  }

  // Markup of another format's reader for its writer; copies share it.
  const SourceMarkupPtr& Markup() const { return markup_; }
  void SetMarkup(SourceMarkupPtr markup) { markup_ = std::move(markup); }

  // Deletes rows [first, first+count): everything below moves up.
  void DeleteRows(std::uint32_t first, std::uint32_t count);

  // A copy of the whole sheet (cells, settings, kept records, drawing).
  std::unique_ptr<Sheet> Clone() const;
  // A copy holding rows [first, last] of this sheet at row 0, with their
  // merges, comments, shapes and row properties, and every sheet-level
  // setting; cost linear in the band, not in the sheet.
  std::unique_ptr<Sheet> CloneRows(std::uint32_t first, std::uint32_t last) const;

  // Moves the cells, merges and comments of rows [first, last] of `source`
  // to row `to` of this sheet; the source rows are left empty.
  void MoveRowsFrom(Sheet& source, std::uint32_t first, std::uint32_t last, std::uint32_t to);

 private:
  void CopySettingsFrom(const Sheet& other);

  SheetKind kind_;
  std::string name_;
  std::string name_key_;
  std::uint16_t boundsheet_flags_ = 0;
  std::vector<SheetItem> items_;
  CellStore cells_;
  std::uint16_t default_col_width_ = 8;
  bool has_default_col_width_ = false;
  std::vector<ColumnInfo> columns_;
  std::vector<Area> merges_;
  Drawing drawing_;
  std::vector<Hyperlink> hyperlinks_;
  std::optional<std::pair<std::uint32_t, std::uint16_t>> active_cell_;
  SourceMarkupPtr markup_;
};

}  // namespace quorlex::automation::workbook
