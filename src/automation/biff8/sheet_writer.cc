#include "automation/biff8/sheet_writer.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "automation/workbook/kept_drawing.h"
#include "platform/little_endian.h"
#include "platform/utf16.h"

namespace quorlex::automation::biff8 {

using platform::Append16;
using platform::Append32;
using platform::Get16;
using platform::Put16;

namespace {

constexpr std::uint32_t kMaxRows = 65536;
constexpr std::uint32_t kRowXfMask = 0x0FFF;
// Rows go in blocks of 32, each followed by its DBCELL.
constexpr std::uint32_t kRowsPerBlock = 32;
constexpr std::size_t kRowRecordSize = 4 + 16;
// INDEX: reserved, first row, row after the last, DEFCOLWIDTH position;
// then the position of each DBCELL.
constexpr std::size_t kIndexHeader = 16;

bool IsWritten(const workbook::Row& row) { return !row.cells.empty() || row.info.own; }

std::uint32_t EncodeRk(double v, bool& ok) {
  ok = false;
  if (!std::isfinite(v)) return 0;
  if (v == std::floor(v) && v >= -536870912.0 && v < 536870912.0) {
    ok = true;
    return (static_cast<std::uint32_t>(static_cast<std::int32_t>(v)) << 2) | 0x2u;
  }
  double hundred = std::round(v * 100.0);
  if (hundred >= -536870912.0 && hundred < 536870912.0 && hundred / 100.0 == v) {
    ok = true;
    return (static_cast<std::uint32_t>(static_cast<std::int32_t>(hundred)) << 2) | 0x3u;
  }
  std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
  if ((bits & 0x3FFFFFFFFull) == 0) {
    ok = true;
    return static_cast<std::uint32_t>(bits >> 32);
  }
  return 0;
}

// A formula whose first token refers to a shared formula or a table: its
// host's row is kept relative to the cell.
bool IsShared(const std::vector<std::uint8_t>& rec) {
  return rec.size() >= 21 && Get16(rec, 14) >= 5 && (rec[16] == 0x01 || rec[16] == 0x02);
}

// The cached result is a text (the STRING record follows the formula).
bool HasTextResult(const std::vector<std::uint8_t>& rec) {
  return rec.size() >= 8 && rec[6] == 0xFF && rec[7] == 0xFF && rec[0] == 0x00;
}

}  // namespace

FormulaHosts FindFormulaHosts(const workbook::Sheet& sheet) {
  FormulaHosts hosts;
  const auto& rows = sheet.Cells().Rows();
  const std::uint32_t count =
      static_cast<std::uint32_t>(std::min<std::size_t>(rows.size(), kMaxRows));
  for (std::uint32_t r = 0; r < count; ++r) {
    for (const auto& c : rows[r].cells) {
      if (c.kind != workbook::CellKind::kFormula) continue;
      if (!workbook::FormulaBody::Decode(sheet.Cells().Blob(c)).attached.empty())
        hosts.emplace(r, c.col);
    }
  }
  return hosts;
}

bool HostIsMissing(const workbook::FormulaBody& body, std::uint32_t row,
                   const FormulaHosts& hosts) {
  const auto& rec = body.record;
  if (!IsShared(rec)) return false;
  const auto host_row = static_cast<std::uint16_t>(Get16(rec, 17) + row);
  return hosts.count({host_row, Get16(rec, 19)}) == 0;
}

const std::string* CachedText(const workbook::FormulaBody& body) {
  return HasTextResult(body.record) && !body.cached_text.empty() ? &body.cached_text : nullptr;
}

SheetWriter::SheetWriter(const workbook::Sheet& sheet, const SharedStrings& strings, bool active,
                         std::uint32_t dg_id, std::uint32_t spid_base, const FormulaHosts& hosts,
                         const CellFormats& cell_formats)
    : sheet_(sheet),
      strings_(strings),
      active_(active),
      dg_id_(dg_id),
      spid_base_(spid_base),
      hosts_(hosts),
      cell_formats_(cell_formats) {}

void SheetWriter::Write(RecordSink& out, std::size_t stream_offset) {
  bool selection_done = false;
  bool index_done = false;
  // A drawing layer kept as records still gets identifiers of its own.
  const auto kept_drawing = sheet_.Art().Empty()
                                ? workbook::RenumberKeptDrawing(sheet_.Items(), dg_id_, spid_base_)
                                : std::map<std::size_t, workbook::Record>{};
  for (std::size_t index = 0; index < sheet_.Items().size(); ++index) {
    const auto& item = sheet_.Items()[index];
    if (auto kept = kept_drawing.find(index); kept != kept_drawing.end()) {
      out.Put(kept->second);
      continue;
    }
    if (!index_done && !(item.slot == workbook::Slot::kNone &&
                         (item.record.type == rt::kBof || item.record.type == rt::kUncalced))) {
      WriteIndex(out);
      index_done = true;
    }
    switch (item.slot) {
      case workbook::Slot::kNone:
        if (item.record.type == rt::kWindow2 && item.record.data.size() >= 2) {
          workbook::Record w = item.record;
          std::uint16_t flags = Get16(w.data, 0);
          flags = active_ ? static_cast<std::uint16_t>(flags | 0x0600)
                          : static_cast<std::uint16_t>(flags & ~0x0600);
          Put16(w.data, 0, flags);
          out.Put(w);
        } else {
          out.Put(item.record);
        }
        break;
      case workbook::Slot::kColumns: WriteColumns(out); break;
      case workbook::Slot::kDimensions: WriteDimensions(out); break;
      case workbook::Slot::kCells: WriteCells(out); break;
      case workbook::Slot::kDrawing: WriteDrawing(out); break;
      case workbook::Slot::kSelection:
        if (!sheet_.ActiveCell()) {
          out.Put(item.record);
        } else if (!selection_done) {
          WriteSelection(out, item.record);
          selection_done = true;
        }
        break;
      case workbook::Slot::kMerges: WriteMerges(out); break;
      case workbook::Slot::kHyperlinks: WriteHyperlinks(out); break;
    }
  }
  FillIndex(out, stream_offset);
}

void SheetWriter::WriteIndex(RecordSink& out) {
  const auto& rows = sheet_.Cells().Rows();
  const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(rows.size(), kMaxRows));
  std::size_t blocks = 0;
  for (std::uint32_t block = 0; block < count; block += kRowsPerBlock) {
    for (std::uint32_t r = block; r < std::min(count, block + kRowsPerBlock); ++r) {
      if (IsWritten(rows[r])) {
        ++blocks;
        break;
      }
    }
  }
  index_at_ = out.Size();
  out.Put(rt::kIndex, std::vector<std::uint8_t>(kIndexHeader + 4 * blocks, 0));
}

void SheetWriter::FillIndex(RecordSink& out, std::size_t stream_offset) const {
  const auto& rows = sheet_.Cells().Rows();
  const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(rows.size(), kMaxRows));
  std::uint32_t first = 0;
  std::uint32_t after = 0;
  for (std::uint32_t r = 0; r < count; ++r) {
    if (!IsWritten(rows[r])) continue;
    if (after == 0) first = r;
    after = r + 1;
  }
  const std::size_t body = index_at_ + 4;
  platform::Put32(out.bytes, body + 4, first);
  platform::Put32(out.bytes, body + 8, after);
  platform::Put32(out.bytes, body + 12,
                  static_cast<std::uint32_t>(stream_offset + def_col_width_at_));
  const std::size_t slots = (Get16(out.bytes, index_at_ + 2) - kIndexHeader) / 4;
  for (std::size_t i = 0; i < slots && i < db_cells_.size(); ++i) {
    platform::Put32(out.bytes, body + kIndexHeader + 4 * i,
                    static_cast<std::uint32_t>(stream_offset + db_cells_[i]));
  }
}

void SheetWriter::WriteColumns(RecordSink& out) {
  std::vector<std::uint8_t> d;
  def_col_width_at_ = out.Size();
  Append16(d, sheet_.DefaultColumnWidth());
  out.Put(rt::kDefColWidth, d);
  for (const auto& c : sheet_.Columns()) {
    d.clear();
    Append16(d, c.first);
    Append16(d, c.last);
    Append16(d, c.width);
    Append16(d, cell_formats_.Written(c.xf));
    Append16(d, c.flags);
    Append16(d, 0);
    out.Put(rt::kColInfo, d);
  }
}

void SheetWriter::WriteDimensions(RecordSink& out) {
  const auto& rows = sheet_.Cells().Rows();
  std::uint32_t first_row = 0, last_row = 0;
  std::uint16_t first_col = 0xFFFF, last_col = 0;
  bool any = false;
  for (std::uint32_t r = 0; r < rows.size(); ++r) {
    if (rows[r].cells.empty()) continue;
    if (!any) first_row = r;
    any = true;
    last_row = r;
    first_col = std::min(first_col, rows[r].cells.front().col);
    last_col = std::max(last_col, rows[r].cells.back().col);
  }
  std::vector<std::uint8_t> d;
  Append32(d, any ? first_row : 0);
  Append32(d, any ? last_row + 1 : 0);
  Append16(d, any ? first_col : 0);
  Append16(d, any ? static_cast<std::uint32_t>(last_col) + 1 : 0);
  Append16(d, 0);
  out.Put(rt::kDimensions, d);
}

void SheetWriter::WriteCells(RecordSink& out) {
  const auto& rows = sheet_.Cells().Rows();
  const std::uint16_t default_height = sheet_.DefaultRowHeight();
  auto wanted = [&](std::uint32_t r) { return IsWritten(rows[r]); };
  std::uint32_t count = static_cast<std::uint32_t>(std::min<std::size_t>(rows.size(), kMaxRows));
  std::vector<std::uint8_t> d;
  std::vector<std::size_t> row_cells;  // where each row's cells start
  for (std::uint32_t block = 0; block < count; block += kRowsPerBlock) {
    std::uint32_t end = std::min(count, block + kRowsPerBlock);
    const std::size_t block_at = out.Size();
    for (std::uint32_t r = block; r < end; ++r) {
      if (!wanted(r)) continue;
      const auto& row = rows[r];
      d.clear();
      Append16(d, r);
      Append16(d, row.cells.empty() ? 0 : row.cells.front().col);
      Append16(d, row.cells.empty() ? 0 : static_cast<std::uint32_t>(row.cells.back().col) + 1);
      if (row.info.own) {
        Append16(d, row.info.height);
        Append16(d, 0);
        Append16(d, 0);
        Append16(d, row.info.flags | 0x0100);
        Append16(d, (row.info.xf_word & ~kRowXfMask) |
                        cell_formats_.Written(row.info.xf_word & kRowXfMask));
      } else {
        Append16(d, default_height);
        Append16(d, 0);
        Append16(d, 0);
        Append16(d, 0x0100);
        Append16(d, workbook::kDefaultXf);
      }
      out.Put(rt::kRow, d);
    }
    row_cells.clear();
    for (std::uint32_t r = block; r < end; ++r) {
      if (!wanted(r)) continue;
      row_cells.push_back(out.Size());
      for (const auto& c : rows[r].cells)
        WriteCell(out, r, c);
    }
    if (row_cells.empty()) continue;
    // DBCELL: back to the block's first ROW record, then to each row's first
    // cell, the first from the second ROW record on, each next one from the
    // cells of the row before.
    d.clear();
    db_cells_.push_back(out.Size());
    Append32(d, static_cast<std::uint32_t>(out.Size() - block_at));
    std::size_t from = block_at + kRowRecordSize;
    for (std::size_t at : row_cells) {
      Append16(d, static_cast<std::uint32_t>(std::min<std::size_t>(at - from, 0xFFFF)));
      from = at;
    }
    out.Put(rt::kDbCell, d);
  }
}

void SheetWriter::CellHeader(std::vector<std::uint8_t>& d, std::uint32_t r,
                             const workbook::Cell& c) {
  d.clear();
  Append16(d, r);
  Append16(d, c.col);
  Append16(d, cell_formats_.Written(c.xf));
}

void SheetWriter::WriteCell(RecordSink& out, std::uint32_t r, const workbook::Cell& c) {
  std::vector<std::uint8_t>& d = cell_buffer_;
  const auto& cells = sheet_.Cells();
  CellHeader(d, r, c);
  switch (c.kind) {
    case workbook::CellKind::kBlank: out.Put(rt::kBlank, d); return;
    case workbook::CellKind::kNumber: {
      double v = cells.Number(c);
      bool ok = false;
      std::uint32_t rk = EncodeRk(v, ok);
      if (ok) {
        Append32(d, rk);
        out.Put(rt::kRk, d);
      } else {
        AppendDouble(d, v);
        out.Put(rt::kNumber, d);
      }
      return;
    }
    case workbook::CellKind::kText:
    case workbook::CellKind::kRichText:
      Append32(d, strings_.Find(cells.Text(c), cells.Runs(c)));
      out.Put(rt::kLabelSst, d);
      return;
    case workbook::CellKind::kBoolean:
    case workbook::CellKind::kError:
      d.push_back(static_cast<std::uint8_t>(c.payload));
      d.push_back(c.kind == workbook::CellKind::kError ? 1 : 0);
      out.Put(rt::kBoolErr, d);
      return;
    case workbook::CellKind::kFormula: WriteFormula(out, r, c); return;
  }
}

void SheetWriter::WriteFormula(RecordSink& out, std::uint32_t r, const workbook::Cell& c) {
  workbook::FormulaBody body = workbook::FormulaBody::Decode(sheet_.Cells().Blob(c));
  auto& rec = body.record;
  if (rec.size() < 16) return;
  std::vector<std::uint8_t>& d = cell_buffer_;
  CellHeader(d, r, c);
  if (IsShared(rec)) {
    if (HostIsMissing(body, r, hosts_)) {
      // Its shared formula did not come along (rows deleted or copied
      // apart): keep the value the formula last gave.
      WriteCachedValue(out, r, c, body);
      return;
    }
    Put16(rec, 17, static_cast<std::uint16_t>(Get16(rec, 17) + r));
  }
  d.insert(d.end(), rec.begin(), rec.end());
  out.Put(rt::kFormula, d);
  for (auto a : body.attached) {
    Put16(a.data, 0, static_cast<std::uint16_t>(Get16(a.data, 0) + r));
    Put16(a.data, 2, static_cast<std::uint16_t>(Get16(a.data, 2) + r));
    out.Put(a.type, a.data);
  }
  if (HasTextResult(rec))
    out.PutWithString(rt::kString, {}, platform::Utf8ToUtf16(body.cached_text));
}

void SheetWriter::WriteCachedValue(RecordSink& out, std::uint32_t r, const workbook::Cell& c,
                                   const workbook::FormulaBody& body) {
  std::vector<std::uint8_t> d;
  CellHeader(d, r, c);
  const auto& rec = body.record;
  if (rec[6] == 0xFF && rec[7] == 0xFF) {
    if (rec[0] == 0x01 || rec[0] == 0x02) {
      d.push_back(rec[2]);
      d.push_back(rec[0] == 0x02 ? 1 : 0);
      out.Put(rt::kBoolErr, d);
    } else if (const std::string* text = CachedText(body)) {
      // The shared strings hold it: LABEL takes no more than 255 characters.
      Append32(d, strings_.Find(*text, {}));
      out.Put(rt::kLabelSst, d);
    } else {
      out.Put(rt::kBlank, d);
    }
    return;
  }
  d.insert(d.end(), rec.begin(), rec.begin() + 8);
  out.Put(rt::kNumber, d);
}

void SheetWriter::WriteDrawing(RecordSink& out) {
  if (sheet_.Art().Empty()) return;
  std::vector<workbook::Record> records;
  std::vector<workbook::Record> notes;
  sheet_.Art().Write(dg_id_, spid_base_, records, notes);
  for (const auto& r : records)
    out.Put(r);
  for (const auto& r : notes)
    out.Put(r);
}

void SheetWriter::WriteSelection(RecordSink& out, const workbook::Record& original) {
  auto [row, col] = *sheet_.ActiveCell();
  std::vector<std::uint8_t> d;
  d.push_back(original.data.empty() ? 3 : original.data[0]);
  Append16(d, std::min<std::uint32_t>(row, 0xFFFF));
  Append16(d, col);
  Append16(d, 0);
  Append16(d, 1);
  Append16(d, std::min<std::uint32_t>(row, 0xFFFF));
  Append16(d, std::min<std::uint32_t>(row, 0xFFFF));
  d.push_back(static_cast<std::uint8_t>(col));
  d.push_back(static_cast<std::uint8_t>(col));
  out.Put(rt::kSelection, d);
}

void SheetWriter::WriteMerges(RecordSink& out) {
  const auto& merges = sheet_.Merges();
  for (std::size_t at = 0; at < merges.size(); at += 1024) {
    std::size_t n = std::min<std::size_t>(1024, merges.size() - at);
    std::vector<std::uint8_t> d;
    Append16(d, static_cast<std::uint32_t>(n));
    for (std::size_t i = at; i < at + n; ++i) {
      Append16(d, merges[i].first_row);
      Append16(d, merges[i].last_row);
      Append16(d, merges[i].first_col);
      Append16(d, merges[i].last_col);
    }
    out.Put(rt::kMergedCells, d);
  }
}

void SheetWriter::WriteHyperlinks(RecordSink& out) {
  for (const auto& h : sheet_.Hyperlinks()) {
    std::vector<std::uint8_t> d;
    Append16(d, h.area.first_row);
    Append16(d, h.area.last_row);
    Append16(d, h.area.first_col);
    Append16(d, h.area.last_col);
    d.insert(d.end(), h.data.begin(), h.data.end());
    out.Put(workbook::Record{rt::kHlink, d});
    if (!h.tooltip.empty()) {
      std::vector<std::uint8_t> t;
      Append16(t, rt::kHlinkTooltip);
      Append16(t, 0);
      Append16(t, h.area.first_row);
      Append16(t, h.area.last_row);
      Append16(t, h.area.first_col);
      Append16(t, h.area.last_col);
      t.insert(t.end(), h.tooltip.begin(), h.tooltip.end());
      out.Put(workbook::Record{rt::kHlinkTooltip, t});
    }
  }
}

}  // namespace quorlex::automation::biff8
