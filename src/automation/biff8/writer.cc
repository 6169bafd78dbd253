#include "automation/biff8/writer.h"

#include <algorithm>
#include <string_view>

#include "automation/biff8/cell_formats.h"
#include "automation/biff8/drawing_ids.h"
#include "automation/biff8/records.h"
#include "automation/biff8/shared_strings.h"
#include "automation/biff8/sheet_writer.h"
#include "automation/biff8/workbook_file.h"
#include "automation/compound/writer.h"
#include "automation/workbook/format_limits.h"
#include "automation/workbook/kept_drawing.h"
#include "platform/error.h"
#include "platform/little_endian.h"
#include "platform/utf16.h"

namespace quorlex::automation::biff8 {

namespace {

using platform::Append16;
using platform::Append32;
using platform::Get16;
using platform::Get32;
using platform::Put16;
using platform::Put32;

constexpr std::uint32_t kMaxRows = 65536;
constexpr std::uint32_t kMaxCols = 256;
constexpr std::size_t kMaxCellChars = 32767;
// A ROW record's format applies when the row is formatted (fGhostDirty).
constexpr std::uint16_t kRowFormatted = 0x0080;
constexpr std::uint16_t kRowXfMask = 0x0FFF;

void PatchWindow2Kept(std::vector<std::uint8_t>& bytes, bool active) {
  std::uint16_t flags = Get16(bytes, 0);
  flags = active ? static_cast<std::uint16_t>(flags | 0x0600)
                 : static_cast<std::uint16_t>(flags & ~0x0600);
  Put16(bytes, 0, flags);
}

// Texts of formula cells written as their values (their shared formula did
// not come along) go to the shared strings like any text.
void AddOrphanedFormulaTexts(const workbook::Sheet& sheet, FormulaHosts& hosts,
                             SharedStrings& strings) {
  hosts = FindFormulaHosts(sheet);
  const auto& rows = sheet.Cells().Rows();
  for (std::uint32_t r = 0; r < rows.size() && r < kMaxRows; ++r) {
    for (const auto& c : rows[r].cells) {
      if (c.kind != workbook::CellKind::kFormula) continue;
      const auto body = workbook::FormulaBody::Decode(sheet.Cells().Blob(c));
      if (!HostIsMissing(body, r, hosts)) continue;
      if (const std::string* text = CachedText(body)) strings.AddOwned(*text);
    }
  }
}

}  // namespace

void CheckLimits(const workbook::Workbook& book) {
  workbook::CheckFormatLimits(book, {.rows = kMaxRows,
                                     .columns = kMaxCols,
                                     .cell_chars = kMaxCellChars,
                                     .rows_text = "65 536",
                                     .columns_text = "256",
                                     .holder = "Excel 97-2003",
                                     .bounds = "Excel 97-2003"});
}

namespace {

// The shared strings every worksheet's text cells need, the formula texts
// that lost their host cell, and the cell formats in use.
void CollectCells(const workbook::Workbook& book, SharedStrings& strings,
                  std::vector<FormulaHosts>& hosts, std::vector<bool>& used_xfs) {
  const auto use_xf = [&](std::uint16_t xf) {
    if (xf >= used_xfs.size()) used_xfs.resize(xf + 1u);
    used_xfs[xf] = true;
  };
  std::size_t texts = 0;
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    const auto& sheet = book.SheetAt(i);
    if (!sheet.IsWorksheet()) continue;
    for (const auto& row : sheet.Cells().Rows()) {
      texts += static_cast<std::size_t>(
          std::count_if(row.cells.begin(), row.cells.end(),
                        [](const auto& c) { return workbook::IsText(c.kind); }));
    }
  }
  strings.Reserve(texts);
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    const auto& sheet = book.SheetAt(i);
    if (!sheet.IsWorksheet()) continue;
    bool formulas = false;
    for (const auto& row : sheet.Cells().Rows()) {
      if (row.info.own && (row.info.flags & kRowFormatted) != 0)
        use_xf(row.info.xf_word & kRowXfMask);
      for (const auto& c : row.cells) {
        if (workbook::IsText(c.kind)) strings.Add(sheet.Cells().Text(c), sheet.Cells().Runs(c));
        formulas = formulas || c.kind == workbook::CellKind::kFormula;
        use_xf(c.xf);
      }
    }
    for (const auto& column : sheet.Columns())
      use_xf(column.xf);
    if (formulas) AddOrphanedFormulaTexts(sheet, hosts[i], strings);
  }
}

void WriteFonts(const workbook::Styles& styles, RecordSink& globals) {
  std::vector<std::uint8_t> d;
  for (const auto& f : styles.Fonts()) {
    d.clear();
    Append16(d, f.height);
    Append16(d, f.flags);
    Append16(d, f.color);
    Append16(d, f.weight);
    Append16(d, f.escapement);
    d.push_back(f.underline);
    d.push_back(f.family);
    d.push_back(f.charset);
    d.push_back(f.reserved);
    AppendUnicodeString(d, f.name, true);
    globals.Put(rt::kFont, d);
  }
}

void WritePalette(const workbook::Styles& styles, RecordSink& globals) {
  std::vector<std::uint8_t> d;
  if (styles.HasCustomPalette()) {
    Append16(d, static_cast<std::uint32_t>(styles.Colors().size()));
    for (std::uint32_t rgb : styles.Colors()) {
      d.push_back(static_cast<std::uint8_t>((rgb >> 16) & 0xFF));
      d.push_back(static_cast<std::uint8_t>((rgb >> 8) & 0xFF));
      d.push_back(static_cast<std::uint8_t>(rgb & 0xFF));
      d.push_back(0);
    }
    globals.Put(rt::kPalette, d);
  }
}

// The globals substream, slot by slot; boundsheet_at gets where each
// BOUNDSHEET's offset field lies.
void WriteGlobals(const workbook::Workbook& book, const CellFormats& cell_formats,
                  const DrawingIds& plan, SharedStrings& strings, std::size_t active,
                  RecordSink& globals, std::vector<std::size_t>& boundsheet_at) {
  // A drawing group without drawings is not what Excel writes: a template's
  // group goes when its last drawing has gone.
  const bool any_drawing = plan.drawings > 0;
  const auto& styles = book.Formats();
  for (const auto& item : book.Globals()) {
    std::vector<std::uint8_t> d;
    switch (item.slot) {
      case workbook::GlobalSlot::kNone:
        globals.Put(item.record.type == rt::kXfCrc ? cell_formats.UpdatedChecksum(item.record)
                                                   : item.record);
        break;
      case workbook::GlobalSlot::kFonts: WriteFonts(styles, globals); break;
      case workbook::GlobalSlot::kFormats:
        for (const auto& [index, code] : styles.Formats()) {
          d.clear();
          Append16(d, index);
          AppendUnicodeString(d, code, false);
          globals.Put(workbook::Record{rt::kFormat, d});
        }
        break;
      case workbook::GlobalSlot::kXfs:
        for (const auto& xf : styles.Xfs())
          globals.Put(rt::kXf, xf.Bytes());
        for (const auto& xf : cell_formats.Added())
          globals.Put(rt::kXf, xf.Bytes());
        break;
      case workbook::GlobalSlot::kPalette: WritePalette(styles, globals); break;
      case workbook::GlobalSlot::kBoundSheets:
        for (std::size_t i = 0; i < book.SheetCount(); ++i) {
          const auto& sheet = book.SheetAt(i);
          d.clear();
          Append32(d, 0);
          Append16(d, sheet.BoundSheetFlags());
          AppendUnicodeString(d, sheet.Name(), true);
          boundsheet_at.push_back(globals.Size() + 4);
          globals.Put(rt::kBoundSheet, d);
        }
        break;
      case workbook::GlobalSlot::kDrawingGroup:
        if (any_drawing) {
          workbook::Record r{rt::kMsoDrawingGroup, DrawingGroupBody(book, plan)};
          globals.Put(r);
        }
        break;
      case workbook::GlobalSlot::kSharedStrings: strings.Write(globals); break;
      case workbook::GlobalSlot::kWindow: {
        workbook::Record w = item.record;
        if (w.data.size() >= 16) {
          Put16(w.data, 10, static_cast<std::uint32_t>(active));
          if (Get16(w.data, 12) > active) Put16(w.data, 12, static_cast<std::uint32_t>(active));
          Put16(w.data, 14, 1);
        }
        globals.Put(w);
        break;
      }
      case workbook::GlobalSlot::kNames:
        for (std::size_t i = 0; i < book.Names().Count(); ++i)
          globals.Put(workbook::Record{rt::kName, book.Names().At(i).Data()});
        break;
      case workbook::GlobalSlot::kTabIds:
        for (std::size_t i = 0; i < book.SheetCount(); ++i)
          Append16(d, static_cast<std::uint32_t>(i + 1));
        globals.Put(workbook::Record{rt::kTabId, d});
        break;
    }
  }
}

// Each sheet's substream after the globals, its BOUNDSHEET pointed at it.
void WriteSheets(const workbook::Workbook& book, const CellFormats& cell_formats,
                 const DrawingIds& plan, const SharedStrings& strings,
                 const std::vector<FormulaHosts>& hosts, std::size_t active,
                 const std::vector<std::size_t>& boundsheet_at, std::vector<std::uint8_t>& stream) {
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    const auto& sheet = book.SheetAt(i);
    Put32(stream, boundsheet_at[i], static_cast<std::uint32_t>(stream.size()));
    RecordSink out;
    if (sheet.IsWorksheet()) {
      SheetWriter(sheet, strings, i == active, plan.dg_id[i], plan.spid_base[i], hosts[i],
                  cell_formats)
          .Write(out, stream.size());
    } else {
      const auto kept_drawing =
          workbook::RenumberKeptDrawing(sheet.Items(), plan.dg_id[i], plan.spid_base[i]);
      for (std::size_t index = 0; index < sheet.Items().size(); ++index) {
        const auto& item = sheet.Items()[index];
        if (auto kept = kept_drawing.find(index); kept != kept_drawing.end()) {
          out.Put(kept->second);
        } else if (item.record.type == rt::kWindow2 && item.record.data.size() >= 2) {
          workbook::Record w = item.record;
          PatchWindow2Kept(w.data, i == active);
          out.Put(w);
        } else {
          out.Put(item.record);
        }
      }
    }
    stream.insert(stream.end(), out.bytes.begin(), out.bytes.end());
  }
}

}  // namespace

std::vector<std::uint8_t> WriteWorkbookStream(const workbook::Workbook& book) {
  SharedStrings strings;
  std::vector<FormulaHosts> hosts(book.SheetCount());
  std::vector<bool> used_xfs(book.Formats().XfCount());
  CollectCells(book, strings, hosts, used_xfs);
  const CellFormats cell_formats(book.Formats(), used_xfs);
  DrawingIds plan = PlanDrawings(book);

  RecordSink globals;
  std::vector<std::size_t> boundsheet_at;
  const std::size_t active = std::min(book.ActiveSheet(), book.SheetCount() - 1);
  WriteGlobals(book, cell_formats, plan, strings, active, globals, boundsheet_at);

  std::vector<std::uint8_t> stream = std::move(globals.bytes);
  WriteSheets(book, cell_formats, plan, strings, hosts, active, boundsheet_at, stream);
  return stream;
}

void WriteWorkbook(const workbook::Workbook& book, const std::string& path) {
  CheckLimits(book);
  automation::compound::WriteCompoundFile(
      JoinWorkbookFile(WriteWorkbookStream(book), book.OtherStreams(), book.RootClsid()), path);
}

}  // namespace quorlex::automation::biff8
