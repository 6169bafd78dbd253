#include "automation/biff8/worksheet_reader.h"

#include <algorithm>
#include <bit>
#include <iterator>
#include <map>
#include <optional>

#include "automation/biff8/read_values.h"
#include "automation/workbook/shared_formula.h"
#include "platform/utf16.h"
#include "platform/error.h"

namespace quorlex::biff8 {

using workbook::Get16;
using workbook::Get32;
using workbook::Record;

namespace {

constexpr std::size_t kFormulaFlagsAt = 8;   // in a FORMULA body from its value field
constexpr std::size_t kFormulaLengthAt = 14;
constexpr std::size_t kFormulaTokensAt = 16;
constexpr std::uint16_t kSharedFlag = 0x0008;
constexpr std::size_t kSharedFormulaAt = 8;  // SHRFMLA: area, reserved byte, use count, formula
constexpr std::uint8_t kPtgExp = 0x01;
constexpr std::size_t kPtgExpSize = 5;

// A cell whose formula points at a shared formula gets that formula as its
// own, with its references placed for the cell.
template <typename Pending>
void UnshareFormula(Pending& p, const std::map<std::pair<std::uint32_t, std::uint16_t>, std::vector<std::uint8_t>>& shared) {
  auto& rec = p.body.record;
  if (rec.size() < kFormulaTokensAt + kPtgExpSize || Get16(rec, kFormulaLengthAt) != kPtgExpSize ||
      rec[kFormulaTokensAt] != kPtgExp) {
    return;
  }
  // The host row was made relative to the cell on reading.
  const auto host_row = static_cast<std::uint16_t>(Get16(rec, kFormulaTokensAt + 1) + p.row);
  const std::uint16_t host_col = Get16(rec, kFormulaTokensAt + 3);
  auto it = shared.find({host_row, host_col});
  if (it == shared.end()) return;
  const auto& d = it->second;
  const std::size_t length = Get16(d, kSharedFormulaAt);
  if (kSharedFormulaAt + 2 + length > d.size()) return;
  const auto tokens = std::span<const std::uint8_t>(d).subspan(kSharedFormulaAt + 2, length);
  std::vector<std::uint8_t> own = workbook::UnshareFormula(tokens, p.row, p.col);
  std::vector<std::uint8_t> out(rec.begin(), rec.begin() + static_cast<std::ptrdiff_t>(kFormulaLengthAt));
  workbook::Put16(out, kFormulaFlagsAt, static_cast<std::uint16_t>(Get16(out, kFormulaFlagsAt) & ~kSharedFlag));
  workbook::Append16(out, static_cast<std::uint32_t>(own.size()));
  out.insert(out.end(), own.begin(), own.end());
  out.insert(out.end(), d.begin() + static_cast<std::ptrdiff_t>(kSharedFormulaAt + 2 + length), d.end());
  rec = std::move(out);
}

void FinishWorksheet(workbook::Sheet& sheet, const bool* have, const std::vector<std::uint8_t>& art,
                            const std::vector<std::pair<std::size_t, std::vector<Record>>>& breaks,
                            std::map<std::uint16_t, workbook::Note>& notes, std::vector<Record>& raw_drawing) {
  auto& items = sheet.Items();
  if (!art.empty()) {
    try {
      sheet.Art() = workbook::Drawing::Parse(art, breaks);
      for (auto& [id, note] : notes) sheet.Art().BindNote(id, std::move(note));
    } catch (const Error&) {
      // A drawing we cannot take apart is kept as it was, at its place:
      // its comments are then read-only to the engine.
      sheet.Art() = workbook::Drawing();
      auto at = std::find_if(items.begin(), items.end(), [](const workbook::SheetItem& i) { return i.slot == workbook::Slot::kDrawing; });
      std::vector<workbook::SheetItem> kept;
      for (Record& r : raw_drawing) kept.push_back({workbook::Slot::kNone, std::move(r)});
      items.insert(at, std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end()));
    }
  }
  auto index_of = [&](auto pred) -> std::size_t {
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (pred(items[i])) return i;
    }
    return std::string::npos;
  };
  auto slot_index = [&](workbook::Slot s) { return index_of([s](const workbook::SheetItem& i) { return i.slot == s; }); };
  auto type_index = [&](std::uint16_t t) {
    return index_of([t](const workbook::SheetItem& i) { return i.slot == workbook::Slot::kNone && i.record.type == t; });
  };
  auto insert_at = [&](std::size_t at, workbook::Slot s) {
    at = std::min(at, items.size() - 1);  // never after the EOF
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), {s, {}});
  };
  using S = workbook::Slot;
  if (!have[static_cast<int>(S::kCells)]) {
    std::size_t dim = slot_index(S::kDimensions);
    std::size_t window = type_index(rt::kWindow2);
    insert_at(dim != std::string::npos ? dim + 1 : (window != std::string::npos ? window : items.size() - 1), S::kCells);
  }
  if (!have[static_cast<int>(S::kDimensions)]) insert_at(slot_index(S::kCells), S::kDimensions);
  if (!have[static_cast<int>(S::kColumns)]) insert_at(slot_index(S::kDimensions), S::kColumns);
  if (!have[static_cast<int>(S::kDrawing)]) {
    std::size_t window = type_index(rt::kWindow2);
    insert_at(window != std::string::npos ? window : items.size() - 1, S::kDrawing);
  }
  if (!have[static_cast<int>(S::kMerges)]) {
    std::size_t after = slot_index(S::kDrawing);
    for (std::size_t i = 0; i < items.size(); ++i) {
      const auto& it = items[i];
      if (it.slot == S::kSelection ||
          (it.slot == S::kNone && (it.record.type == rt::kWindow2 || it.record.type == rt::kPane || it.record.type == rt::kScl))) {
        after = i;
      }
    }
    insert_at(after + 1, S::kMerges);
  }
  if (!have[static_cast<int>(S::kHyperlinks)]) insert_at(slot_index(S::kMerges) + 1, S::kHyperlinks);
}

// The CONTINUE records that follow a record, taken from the stream.
std::vector<Record> TakeContinues(RecordReader& in) {
  std::vector<Record> more;
  std::uint16_t next = 0;
  while (in.PeekType(next) && next == rt::kContinue) {
    Record c;
    in.Next(c);
    more.push_back(std::move(c));
  }
  return more;
}

}  // namespace

std::vector<Record> ReadEmbeddedSubstream(RecordReader& in, Record bof) {
  std::vector<Record> out;
  out.push_back(std::move(bof));
  int depth = 1;
  Record r;
  while (depth > 0) {
    if (!in.Next(r)) Damaged("embedded chart without EOF record");
    if (r.type == rt::kBof) ++depth;
    if (r.type == rt::kEof) --depth;
    out.push_back(std::move(r));
  }
  return out;
}

void ReadWorksheet(RecordReader& in, workbook::Sheet& sheet, const SharedStringList& strings) {
  auto& items = sheet.Items();
  auto& cells = sheet.Cells();
  bool have[8] = {};
  auto mark = [&](workbook::Slot s) {
    auto i = static_cast<std::size_t>(s);
    if (!have[i]) items.push_back({s, {}});
    have[i] = true;
  };
  std::vector<std::uint8_t> art;
  std::vector<std::pair<std::size_t, std::vector<Record>>> breaks;
  bool in_drawing = false;
  bool drawing_continues = false;  // CONTINUE records extend the drawing's last piece
  bool art_continues = false;      // ... and after MSODRAWING they hold more of its shapes
  std::map<std::uint16_t, workbook::Note> notes;
  std::vector<Record> raw_drawing;  // the same records as read, for a drawing we cannot model
  struct Pending {
    std::uint32_t row;
    std::uint16_t col;
    std::uint16_t xf;
    workbook::FormulaBody body;
  };
  std::optional<Pending> formula;
  // Shared formulas by the cell they are written with: each cell of their
  // range gets the formula as its own, so that its references follow rows.
  std::map<std::pair<std::uint32_t, std::uint16_t>, std::vector<std::uint8_t>> shared;
  auto flush_formula = [&] {
    if (!formula) return;
    UnshareFormula(*formula, shared);
    workbook::Cell cell;
    cell.col = formula->col;
    cell.xf = formula->xf;
    cell.kind = workbook::CellKind::kFormula;
    cell.payload = cells.StoreText(formula->body.Encode());
    cells.Append(formula->row, cell);
    formula.reset();
  };
  auto add_break = [&](std::vector<Record> records) {
    if (!breaks.empty() && breaks.back().first == art.size()) {
      auto& list = breaks.back().second;
      list.insert(list.end(), std::make_move_iterator(records.begin()), std::make_move_iterator(records.end()));
    } else {
      breaks.emplace_back(art.size(), std::move(records));
    }
  };
  auto put = [&](std::uint32_t row, std::uint16_t col, std::uint16_t xf, workbook::CellKind kind, std::uint64_t payload) {
    if (kind == workbook::CellKind::kBlank && xf == workbook::kDefaultXf) return;
    workbook::Cell cell;
    cell.col = col;
    cell.xf = xf;
    cell.kind = kind;
    cell.payload = payload;
    cells.Append(row, cell);
  };
  Record r;
  while (true) {
    if (!in.Next(r)) Damaged("sheet without EOF record");
    std::uint16_t type = r.type;
    if (formula && type != rt::kShrFmla && type != rt::kArray && type != rt::kTable && type != rt::kString &&
        type != rt::kContinue) {
      flush_formula();
    }
    bool drawing_record = type == rt::kMsoDrawing || type == rt::kObj || type == rt::kTxo ||
                          (type == rt::kContinue && drawing_continues) || (type == rt::kBof && in_drawing);
    if (!drawing_record) {
      in_drawing = false;
      drawing_continues = false;
      art_continues = false;
    }
    const auto& d = r.data;
    switch (type) {
      case rt::kEof:
        flush_formula();
        items.push_back({workbook::Slot::kNone, std::move(r)});
        FinishWorksheet(sheet, have, art, breaks, notes, raw_drawing);
        return;
      case rt::kIndex:
      case rt::kDbCell:
        break;
      case rt::kDimensions:
        mark(workbook::Slot::kDimensions);
        break;
      case rt::kDefColWidth:
        mark(workbook::Slot::kColumns);
        sheet.SetDefaultColumnWidth(Get16(d, 0));
        sheet.SetHasDefaultColumnWidth(true);
        break;
      case rt::kColInfo: {
        mark(workbook::Slot::kColumns);
        workbook::ColumnInfo c;
        c.first = std::min<std::uint16_t>(Get16(d, 0), 255);
        c.last = std::min<std::uint16_t>(Get16(d, 2), 255);
        c.width = Get16(d, 4);
        c.xf = Get16(d, 6);
        c.flags = Get16(d, 8);
        if (c.last >= c.first) sheet.Columns().push_back(c);
        break;
      }
      case rt::kRow: {
        mark(workbook::Slot::kCells);
        workbook::RowInfo& info = cells.MutableRowInfo(Get16(d, 0));
        info.height = Get16(d, 6);
        info.flags = Get16(d, 12);
        info.xf_word = Get16(d, 14);
        info.own = true;
        break;
      }
      case rt::kBlank:
        mark(workbook::Slot::kCells);
        put(Get16(d, 0), Get16(d, 2), Get16(d, 4), workbook::CellKind::kBlank, 0);
        break;
      case rt::kNumber:
        mark(workbook::Slot::kCells);
        put(Get16(d, 0), Get16(d, 2), Get16(d, 4), workbook::CellKind::kNumber,
            std::bit_cast<std::uint64_t>(DecodeDouble(d, 6)));
        break;
      case rt::kRk:
        mark(workbook::Slot::kCells);
        put(Get16(d, 0), Get16(d, 2), Get16(d, 4), workbook::CellKind::kNumber,
            std::bit_cast<std::uint64_t>(DecodeRk(Get32(d, 6))));
        break;
      case rt::kMulRk: {
        mark(workbook::Slot::kCells);
        std::uint16_t row = Get16(d, 0);
        std::uint16_t col = Get16(d, 2);
        for (std::size_t at = 4; at + 6 + 2 <= d.size() && col < 256; at += 6, ++col) {
          put(row, col, Get16(d, at), workbook::CellKind::kNumber, std::bit_cast<std::uint64_t>(DecodeRk(Get32(d, at + 2))));
        }
        break;
      }
      case rt::kMulBlank: {
        mark(workbook::Slot::kCells);
        std::uint16_t row = Get16(d, 0);
        std::uint16_t col = Get16(d, 2);
        for (std::size_t at = 4; at + 2 + 2 <= d.size() && col < 256; at += 2, ++col) {
          put(row, col, Get16(d, at), workbook::CellKind::kBlank, 0);
        }
        break;
      }
      case rt::kLabelSst: {
        mark(workbook::Slot::kCells);
        std::uint32_t index = Get32(d, 6);
        if (index >= strings.size()) {
          put(Get16(d, 0), Get16(d, 2), Get16(d, 4), workbook::CellKind::kText, cells.StoreText({}));
        } else if (strings[index].second.empty()) {
          put(Get16(d, 0), Get16(d, 2), Get16(d, 4), workbook::CellKind::kText, cells.StoreText(strings[index].first));
        } else {
          put(Get16(d, 0), Get16(d, 2), Get16(d, 4), workbook::CellKind::kRichText,
              cells.StoreRichText(strings[index].first, strings[index].second));
        }
        break;
      }
      case rt::kLabel:
      case rt::kRString: {
        mark(workbook::Slot::kCells);
        std::vector<Record> more = TakeContinues(in);
        if (!more.empty()) {
          // A long text goes on in CONTINUE records, each with its option byte.
          ContinuedBytes s;
          s.Add(&r.data);
          for (const Record& c : more) s.Add(&c.data);
          s.SkipBytes(6);
          const std::size_t cch = s.U16();
          const std::uint8_t flags = s.Byte();
          std::string text = text::Utf16ToUtf8(s.Chars(cch, (flags & 0x01) != 0));
          put(Get16(d, 0), Get16(d, 2), Get16(d, 4), workbook::CellKind::kText, cells.StoreText(text));
          break;
        }
        std::size_t end = 0;
        std::string text = ReadUnicodeString(d, 6, false, &end);
        std::string runs;
        if (type == rt::kRString && end + 2 <= d.size()) {
          std::size_t n = Get16(d, end);
          for (std::size_t i = 0; i < n * 4 && end + 2 + i < d.size(); ++i) runs.push_back(static_cast<char>(d[end + 2 + i]));
          runs.resize(runs.size() / 4 * 4);
        }
        if (runs.empty()) {
          put(Get16(d, 0), Get16(d, 2), Get16(d, 4), workbook::CellKind::kText, cells.StoreText(text));
        } else {
          put(Get16(d, 0), Get16(d, 2), Get16(d, 4), workbook::CellKind::kRichText, cells.StoreRichText(text, runs));
        }
        break;
      }
      case rt::kBoolErr: {
        mark(workbook::Slot::kCells);
        bool error = d.size() > 7 && d[7] != 0;
        put(Get16(d, 0), Get16(d, 2), Get16(d, 4), error ? workbook::CellKind::kError : workbook::CellKind::kBoolean,
            d.size() > 6 ? d[6] : 0);
        break;
      }
      case rt::kFormula: {
        mark(workbook::Slot::kCells);
        if (d.size() < 22) Damaged("short FORMULA record");
        Pending p;
        p.row = Get16(d, 0);
        p.col = Get16(d, 2);
        p.xf = Get16(d, 4);
        p.body.record.assign(d.begin() + 6, d.end());
        auto& body = p.body.record;
        std::size_t cce = Get16(body, 14);
        if (cce >= 5 && 16 + 5 <= body.size() && (body[16] == 0x01 || body[16] == 0x02)) {
          // Shared formula or table: make the host's row relative to the cell.
          std::uint16_t host = Get16(body, 17);
          workbook::Put16(body, 17, static_cast<std::uint16_t>(host - p.row));
        }
        formula = std::move(p);
        break;
      }
      case rt::kShrFmla:
        if (formula) shared[{formula->row, formula->col}] = d;
        break;
      case rt::kArray:
      case rt::kTable:
        if (formula) {
          workbook::FormulaBody::Attached a{type, d};
          workbook::Put16(a.data, 0, static_cast<std::uint16_t>(Get16(d, 0) - formula->row));
          workbook::Put16(a.data, 2, static_cast<std::uint16_t>(Get16(d, 2) - formula->row));
          formula->body.attached.push_back(std::move(a));
        }
        break;
      case rt::kString: {
        std::vector<Record> more = TakeContinues(in);
        if (formula) {
          ContinuedBytes s;
          s.Add(&r.data);
          for (const Record& c : more) s.Add(&c.data);
          std::size_t cch = s.U16();
          std::uint8_t flags = s.Byte();
          formula->body.cached_text = text::Utf16ToUtf8(s.Chars(cch, (flags & 0x01) != 0));
        }
        break;
      }
      case rt::kMsoDrawing:
        mark(workbook::Slot::kDrawing);
        raw_drawing.push_back(r);
        art.insert(art.end(), d.begin(), d.end());
        in_drawing = true;
        drawing_continues = true;
        art_continues = true;
        break;
      case rt::kObj:
      case rt::kTxo:
        if (art.empty()) {
          items.push_back({workbook::Slot::kNone, std::move(r)});
          break;
        }
        raw_drawing.push_back(r);
        add_break({std::move(r)});
        in_drawing = true;
        drawing_continues = true;
        art_continues = false;
        break;
      case rt::kContinue:
        if (art_continues) {
          // A drawing longer than a record goes on in CONTINUE records.
          raw_drawing.push_back(r);
          art.insert(art.end(), d.begin(), d.end());
        } else if (drawing_continues) {
          raw_drawing.push_back(r);
          add_break({std::move(r)});
        } else if (!formula) {
          items.push_back({workbook::Slot::kNone, std::move(r)});
        }
        break;
      case rt::kBof:
        if (in_drawing) {
          std::vector<Record> sub = ReadEmbeddedSubstream(in, std::move(r));
          raw_drawing.insert(raw_drawing.end(), sub.begin(), sub.end());
          add_break(std::move(sub));
          drawing_continues = false;
          art_continues = false;
        } else {
          std::vector<Record> sub = ReadEmbeddedSubstream(in, std::move(r));
          for (Record& x : sub) items.push_back({workbook::Slot::kNone, std::move(x)});
        }
        break;
      case rt::kNote: {
        mark(workbook::Slot::kDrawing);
        raw_drawing.push_back(r);
        workbook::Note note;
        note.row = Get16(d, 0);
        note.col = Get16(d, 2);
        note.visible = (Get16(d, 4) & 0x0002) != 0;
        note.author = ReadUnicodeString(d, 8, false);
        notes[Get16(d, 6)] = std::move(note);
        break;
      }
      case rt::kMergedCells: {
        mark(workbook::Slot::kMerges);
        std::size_t n = Get16(d, 0);
        for (std::size_t i = 0; i < n && 2 + i * 8 + 8 <= d.size(); ++i) {
          std::size_t at = 2 + i * 8;
          workbook::Area a{Get16(d, at), Get16(d, at + 2), std::min<std::uint16_t>(Get16(d, at + 4), 255),
                           std::min<std::uint16_t>(Get16(d, at + 6), 255)};
          if (a.last_row >= a.first_row && a.last_col >= a.first_col) sheet.Merges().push_back(a);
        }
        break;
      }
      case rt::kHlink: {
        mark(workbook::Slot::kHyperlinks);
        if (d.size() < 8) break;
        workbook::Hyperlink h;
        h.area = {Get16(d, 0), Get16(d, 2), Get16(d, 4), Get16(d, 6)};
        h.data.assign(d.begin() + 8, d.end());
        sheet.Hyperlinks().push_back(std::move(h));
        break;
      }
      case rt::kHlinkTooltip:
        if (!sheet.Hyperlinks().empty() && d.size() >= 12) {
          sheet.Hyperlinks().back().tooltip.assign(d.begin() + 12, d.end());
        }
        break;
      case rt::kSelection:
        items.push_back({workbook::Slot::kSelection, std::move(r)});
        break;
      default:
        items.push_back({workbook::Slot::kNone, std::move(r)});
        break;
    }
  }
}

}  // namespace quorlex::biff8
