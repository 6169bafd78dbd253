#pragma once

// Writes one worksheet's substream: its kept records in place, and at the
// engine's slots the columns, dimensions, rows and cells, drawing and
// comments, selection, merged areas and hyperlinks.

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "automation/biff8/records.h"
#include "automation/biff8/shared_strings.h"
#include "automation/workbook/sheet.h"

namespace quorlex::biff8 {

class SheetWriter {
 public:
  SheetWriter(const workbook::Sheet& sheet, const SharedStrings& strings, bool active, std::uint32_t dg_id,
              std::uint32_t spid_base);
  void Write(RecordSink& out);

 private:
  void WriteColumns(RecordSink& out);
  void WriteDimensions(RecordSink& out);

  void WriteCells(RecordSink& out);
  void CellHeader(std::vector<std::uint8_t>& d, std::uint32_t r, const workbook::Cell& c);
  void WriteCell(RecordSink& out, std::uint32_t r, const workbook::Cell& c, const std::set<std::pair<std::uint32_t, std::uint16_t>>& hosts);
  void WriteFormula(RecordSink& out, std::uint32_t r, const workbook::Cell& c, const std::set<std::pair<std::uint32_t, std::uint16_t>>& hosts);
  void WriteCachedValue(RecordSink& out, std::uint32_t r, const workbook::Cell& c, const workbook::FormulaBody& body);
  void WriteDrawing(RecordSink& out);
  void WriteSelection(RecordSink& out, const workbook::Record& original);
  void WriteMerges(RecordSink& out);
  void WriteHyperlinks(RecordSink& out);

  const workbook::Sheet& sheet_;
  const SharedStrings& strings_;
  bool active_;
  std::uint32_t dg_id_;
  std::uint32_t spid_base_;
  std::vector<std::uint8_t> cell_buffer_;
};

}  // namespace quorlex::biff8
