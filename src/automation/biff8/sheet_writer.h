#pragma once

// Writes one worksheet's substream: its kept records in place, and at the
// engine's slots the columns, dimensions, rows and cells, drawing and
// comments, selection, merged areas and hyperlinks.

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "automation/biff8/cell_formats.h"
#include "automation/biff8/records.h"
#include "automation/biff8/shared_strings.h"
#include "automation/workbook/sheet.h"

namespace quorlex::automation::biff8 {

// The cells (row, column) of a worksheet that carry a shared formula, an
// array or a table: the hosts other formula cells point at.
using FormulaHosts = std::set<std::pair<std::uint32_t, std::uint16_t>>;
FormulaHosts FindFormulaHosts(const workbook::Sheet& sheet);

// True when the formula of the cell in `row` is shared with a host that is
// not among `hosts` (rows deleted or copied apart): the cell is then written
// as the value the formula last gave.
bool HostIsMissing(const workbook::FormulaBody& body, std::uint32_t row, const FormulaHosts& hosts);
// The text such a cell is written with, or nullptr when its value is not a
// text.
const std::string* CachedText(const workbook::FormulaBody& body);

// Writes one worksheet substream from the sheet model.
class SheetWriter {
 public:
  SheetWriter(const workbook::Sheet& sheet, const SharedStrings& strings, bool active,
              std::uint32_t dg_id, std::uint32_t spid_base, const FormulaHosts& hosts,
              const CellFormats& cell_formats);
  // `stream_offset`: where the substream starts in the workbook stream, for
  // the file positions INDEX holds.
  void Write(RecordSink& out, std::size_t stream_offset);

 private:
  // The row index: INDEX after the BOF, filled in once the row blocks and
  // their DBCELL records are written.
  void WriteIndex(RecordSink& out);
  void FillIndex(RecordSink& out, std::size_t stream_offset) const;
  void WriteColumns(RecordSink& out);
  void WriteDimensions(RecordSink& out);

  void WriteCells(RecordSink& out);
  void CellHeader(std::vector<std::uint8_t>& d, std::uint32_t r, const workbook::Cell& c);
  void WriteCell(RecordSink& out, std::uint32_t r, const workbook::Cell& c);
  void WriteFormula(RecordSink& out, std::uint32_t r, const workbook::Cell& c);
  void WriteCachedValue(RecordSink& out, std::uint32_t r, const workbook::Cell& c,
                        const workbook::FormulaBody& body);
  void WriteDrawing(RecordSink& out);
  void WriteSelection(RecordSink& out, const workbook::Record& original);
  void WriteMerges(RecordSink& out);
  void WriteHyperlinks(RecordSink& out);

  const workbook::Sheet& sheet_;
  const SharedStrings& strings_;
  bool active_;
  std::uint32_t dg_id_;
  std::uint32_t spid_base_;
  const FormulaHosts& hosts_;
  const CellFormats& cell_formats_;
  std::vector<std::uint8_t> cell_buffer_;
  std::size_t index_at_ = 0;           // INDEX record, in the substream
  std::size_t def_col_width_at_ = 0;   // DEFCOLWIDTH record
  std::vector<std::size_t> db_cells_;  // DBCELL records
};

}  // namespace quorlex::automation::biff8
