#include "automation/biff8/worksheet_reader.h"

#include <algorithm>
#include <bit>
#include <iterator>
#include <map>
#include <optional>

#include "automation/biff8/read_values.h"
#include "automation/biff8/slot_list.h"
#include "automation/workbook/shared_formula.h"
#include "platform/error.h"
#include "platform/little_endian.h"
#include "platform/utf16.h"

namespace quorlex::automation::biff8 {

using platform::Get16;
using platform::Get32;

using workbook::Record;

namespace {

constexpr std::size_t kFormulaFlagsAt = 8;  // in a FORMULA body from its value field
constexpr std::size_t kFormulaLengthAt = 14;
constexpr std::size_t kFormulaTokensAt = 16;
constexpr std::uint16_t kSharedFlag = 0x0008;
constexpr std::size_t kSharedFormulaAt = 8;  // SHRFMLA: area, reserved byte, use count, formula
constexpr std::uint8_t kPtgExp = 0x01;
constexpr std::size_t kPtgExpSize = 5;

// A cell whose formula points at a shared formula gets that formula as its
// own, with its references placed for the cell.
template <typename Pending>
void UnshareFormula(
    Pending& p,
    const std::map<std::pair<std::uint32_t, std::uint16_t>, std::vector<std::uint8_t>>& shared) {
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
  std::vector<std::uint8_t> out(rec.begin(),
                                rec.begin() + static_cast<std::ptrdiff_t>(kFormulaLengthAt));
  platform::Put16(out, kFormulaFlagsAt,
                  static_cast<std::uint16_t>(Get16(out, kFormulaFlagsAt) & ~kSharedFlag));
  platform::Append16(out, static_cast<std::uint32_t>(own.size()));
  out.insert(out.end(), own.begin(), own.end());
  out.insert(out.end(), d.begin() + static_cast<std::ptrdiff_t>(kSharedFormulaAt + 2 + length),
             d.end());
  rec = std::move(out);
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

// Reads one worksheet substream into its sheet. Each family of records has
// its method; Read only dispatches. The slots of the families the engine
// models are kept in one SlotList.
class WorksheetReader {
 public:
  WorksheetReader(RecordReader& in, workbook::Sheet& sheet, const SharedStringList& strings)
      : in_(in), sheet_(sheet), cells_(sheet.Cells()), strings_(strings), slots_(sheet.Items()) {}

  void Read() {
    Record r;
    while (true) {
      if (!in_.Next(r)) Damaged("sheet without EOF record");
      const std::uint16_t type = r.type;
      if (formula_ && !PartOfFormula(type)) FlushFormula();
      if (!PartOfDrawing(type)) {
        in_drawing_ = false;
        drawing_continues_ = false;
        art_continues_ = false;
      }
      switch (type) {
        case rt::kEof: return Finish(std::move(r));
        case rt::kIndex:
        case rt::kDbCell: break;  // written anew with the rows
        case rt::kDimensions: slots_.Mark(workbook::Slot::kDimensions); break;
        case rt::kDefColWidth: ReadDefaultColumnWidth(r); break;
        case rt::kColInfo: ReadColumnInfo(r); break;
        case rt::kRow: ReadRow(r); break;
        case rt::kBlank: ReadBlank(r); break;
        case rt::kNumber: ReadNumber(r); break;
        case rt::kRk: ReadRk(r); break;
        case rt::kMulRk: ReadMulRk(r); break;
        case rt::kMulBlank: ReadMulBlank(r); break;
        case rt::kLabelSst: ReadLabelSst(r); break;
        case rt::kLabel:
        case rt::kRString: ReadLabel(r); break;
        case rt::kBoolErr: ReadBoolErr(r); break;
        case rt::kFormula: ReadFormula(r); break;
        case rt::kShrFmla: ReadSharedFormula(r); break;
        case rt::kArray:
        case rt::kTable: ReadArrayOrTable(r); break;
        case rt::kString: ReadFormulaString(r); break;
        case rt::kMsoDrawing: ReadDrawing(r); break;
        case rt::kObj:
        case rt::kTxo: ReadDrawingObject(std::move(r)); break;
        case rt::kContinue: ReadContinue(std::move(r)); break;
        case rt::kBof: ReadEmbedded(std::move(r)); break;
        case rt::kNote: ReadNote(r); break;
        case rt::kMergedCells: ReadMergedCells(r); break;
        case rt::kHlink: ReadHyperlink(r); break;
        case rt::kHlinkTooltip: ReadHyperlinkTooltip(r); break;
        case rt::kSelection: slots_.Place(workbook::Slot::kSelection, std::move(r)); break;
        default: slots_.Keep(std::move(r)); break;
      }
    }
  }

 private:
  // A formula's cell waits for the records that belong to it.
  struct PendingFormula {
    std::uint32_t row;
    std::uint16_t col;
    std::uint16_t xf;
    workbook::FormulaBody body;
  };

  static bool PartOfFormula(std::uint16_t type) {
    return type == rt::kShrFmla || type == rt::kArray || type == rt::kTable ||
           type == rt::kString || type == rt::kContinue;
  }

  bool PartOfDrawing(std::uint16_t type) const {
    return type == rt::kMsoDrawing || type == rt::kObj || type == rt::kTxo ||
           (type == rt::kContinue && drawing_continues_) || (type == rt::kBof && in_drawing_);
  }

  // Columns.

  void ReadDefaultColumnWidth(const Record& r) {
    slots_.Mark(workbook::Slot::kColumns);
    sheet_.SetDefaultColumnWidth(Get16(r.data, 0));
    sheet_.SetHasDefaultColumnWidth(true);
  }

  void ReadColumnInfo(const Record& r) {
    const auto& d = r.data;
    slots_.Mark(workbook::Slot::kColumns);
    workbook::ColumnInfo c;
    c.first = std::min<std::uint16_t>(Get16(d, 0), 255);
    c.last = std::min<std::uint16_t>(Get16(d, 2), 255);
    c.width = Get16(d, 4);
    c.xf = Get16(d, 6);
    c.flags = Get16(d, 8);
    if (c.last >= c.first) sheet_.Columns().push_back(c);
  }

  // Rows and cells.

  void ReadRow(const Record& r) {
    const auto& d = r.data;
    slots_.Mark(workbook::Slot::kCells);
    workbook::RowInfo& info = cells_.MutableRowInfo(Get16(d, 0));
    info.height = Get16(d, 6);
    info.flags = Get16(d, 12);
    info.xf_word = Get16(d, 14);
    info.own = true;
  }

  // A cell at its place; a blank one with the default format is no cell.
  void Put(std::uint32_t row, std::uint16_t col, std::uint16_t xf, workbook::CellKind kind,
           std::uint64_t payload) {
    if (kind == workbook::CellKind::kBlank && xf == workbook::kDefaultXf) return;
    workbook::Cell cell;
    cell.col = col;
    cell.xf = xf;
    cell.kind = kind;
    cell.payload = payload;
    cells_.Append(row, cell);
  }

  // A cell of a record that starts with row, column and format.
  void PutAt(const Record& r, workbook::CellKind kind, std::uint64_t payload) {
    Put(Get16(r.data, 0), Get16(r.data, 2), Get16(r.data, 4), kind, payload);
  }

  void ReadBlank(const Record& r) {
    slots_.Mark(workbook::Slot::kCells);
    PutAt(r, workbook::CellKind::kBlank, 0);
  }

  void ReadNumber(const Record& r) {
    slots_.Mark(workbook::Slot::kCells);
    PutAt(r, workbook::CellKind::kNumber, std::bit_cast<std::uint64_t>(DecodeDouble(r.data, 6)));
  }

  void ReadRk(const Record& r) {
    slots_.Mark(workbook::Slot::kCells);
    PutAt(r, workbook::CellKind::kNumber, std::bit_cast<std::uint64_t>(DecodeRk(Get32(r.data, 6))));
  }

  void ReadMulRk(const Record& r) {
    const auto& d = r.data;
    slots_.Mark(workbook::Slot::kCells);
    const std::uint16_t row = Get16(d, 0);
    std::uint16_t col = Get16(d, 2);
    for (std::size_t at = 4; at + 6 + 2 <= d.size() && col < 256; at += 6, ++col) {
      Put(row, col, Get16(d, at), workbook::CellKind::kNumber,
          std::bit_cast<std::uint64_t>(DecodeRk(Get32(d, at + 2))));
    }
  }

  void ReadMulBlank(const Record& r) {
    const auto& d = r.data;
    slots_.Mark(workbook::Slot::kCells);
    const std::uint16_t row = Get16(d, 0);
    std::uint16_t col = Get16(d, 2);
    for (std::size_t at = 4; at + 2 + 2 <= d.size() && col < 256; at += 2, ++col) {
      Put(row, col, Get16(d, at), workbook::CellKind::kBlank, 0);
    }
  }

  void ReadLabelSst(const Record& r) {
    slots_.Mark(workbook::Slot::kCells);
    const std::uint32_t index = Get32(r.data, 6);
    if (index >= strings_.size()) {
      PutAt(r, workbook::CellKind::kText, cells_.StoreText({}));
    } else if (strings_[index].second.empty()) {
      PutAt(r, workbook::CellKind::kText, cells_.StoreText(strings_[index].first));
    } else {
      PutAt(r, workbook::CellKind::kRichText,
            cells_.StoreRichText(strings_[index].first, strings_[index].second));
    }
  }

  // LABEL and RSTRING: a text in the record itself, with formatting runs
  // after it in an RSTRING.
  void ReadLabel(const Record& r) {
    const auto& d = r.data;
    slots_.Mark(workbook::Slot::kCells);
    std::vector<Record> more = TakeContinues(in_);
    if (!more.empty()) {
      // A long text goes on in CONTINUE records, each with its option byte.
      ContinuedBytes s;
      s.Add(&r.data);
      for (const Record& c : more)
        s.Add(&c.data);
      s.SkipBytes(6);
      const std::size_t cch = s.U16();
      const std::uint8_t flags = s.Byte();
      std::string text = platform::Utf16ToUtf8(s.Chars(cch, (flags & 0x01) != 0));
      PutAt(r, workbook::CellKind::kText, cells_.StoreText(text));
      return;
    }
    std::size_t end = 0;
    std::string text = ReadUnicodeString(d, 6, false, &end);
    std::string runs;
    if (r.type == rt::kRString && end + 2 <= d.size()) {
      std::size_t n = Get16(d, end);
      for (std::size_t i = 0; i < n * 4 && end + 2 + i < d.size(); ++i) {
        runs.push_back(static_cast<char>(d[end + 2 + i]));
      }
      runs.resize(runs.size() / 4 * 4);
    }
    if (runs.empty()) {
      PutAt(r, workbook::CellKind::kText, cells_.StoreText(text));
    } else {
      PutAt(r, workbook::CellKind::kRichText, cells_.StoreRichText(text, runs));
    }
  }

  void ReadBoolErr(const Record& r) {
    const auto& d = r.data;
    slots_.Mark(workbook::Slot::kCells);
    const bool error = d.size() > 7 && d[7] != 0;
    PutAt(r, error ? workbook::CellKind::kError : workbook::CellKind::kBoolean,
          d.size() > 6 ? d[6] : 0);
  }

  // Formulas: the FORMULA record, then the records that belong to it.

  void ReadFormula(const Record& r) {
    const auto& d = r.data;
    slots_.Mark(workbook::Slot::kCells);
    if (d.size() < 22) Damaged("short FORMULA record");
    PendingFormula p;
    p.row = Get16(d, 0);
    p.col = Get16(d, 2);
    p.xf = Get16(d, 4);
    p.body.record.assign(d.begin() + 6, d.end());
    auto& body = p.body.record;
    std::size_t cce = Get16(body, 14);
    if (cce >= 5 && 16 + 5 <= body.size() && (body[16] == 0x01 || body[16] == 0x02)) {
      // Shared formula or table: make the host's row relative to the cell.
      std::uint16_t host = Get16(body, 17);
      platform::Put16(body, 17, static_cast<std::uint16_t>(host - p.row));
    }
    formula_ = std::move(p);
  }

  void ReadSharedFormula(const Record& r) {
    if (formula_) shared_[{formula_->row, formula_->col}] = r.data;
  }

  void ReadArrayOrTable(const Record& r) {
    if (!formula_) return;
    const auto& d = r.data;
    workbook::FormulaBody::Attached a{r.type, d};
    platform::Put16(a.data, 0, static_cast<std::uint16_t>(Get16(d, 0) - formula_->row));
    platform::Put16(a.data, 2, static_cast<std::uint16_t>(Get16(d, 2) - formula_->row));
    formula_->body.attached.push_back(std::move(a));
  }

  // STRING: the text a formula gave when last calculated.
  void ReadFormulaString(const Record& r) {
    std::vector<Record> more = TakeContinues(in_);
    if (!formula_) return;
    ContinuedBytes s;
    s.Add(&r.data);
    for (const Record& c : more)
      s.Add(&c.data);
    std::size_t cch = s.U16();
    std::uint8_t flags = s.Byte();
    formula_->body.cached_text = platform::Utf16ToUtf8(s.Chars(cch, (flags & 0x01) != 0));
  }

  void FlushFormula() {
    if (!formula_) return;
    UnshareFormula(*formula_, shared_);
    workbook::Cell cell;
    cell.col = formula_->col;
    cell.xf = formula_->xf;
    cell.kind = workbook::CellKind::kFormula;
    cell.payload = cells_.StoreText(formula_->body.Encode());
    cells_.Append(formula_->row, cell);
    formula_.reset();
  }

  // The drawing layer: MSODRAWING pieces with the OBJ, TXO, CONTINUE and
  // embedded substreams between them, and the NOTE records of comments.

  void ReadDrawing(const Record& r) {
    slots_.Mark(workbook::Slot::kDrawing);
    raw_drawing_.push_back(r);
    art_.insert(art_.end(), r.data.begin(), r.data.end());
    in_drawing_ = true;
    drawing_continues_ = true;
    art_continues_ = true;
  }

  void ReadDrawingObject(Record r) {
    if (art_.empty()) return slots_.Keep(std::move(r));
    raw_drawing_.push_back(r);
    AddBreak({std::move(r)});
    in_drawing_ = true;
    drawing_continues_ = true;
    art_continues_ = false;
  }

  void ReadContinue(Record r) {
    if (art_continues_) {
      // A drawing longer than a record goes on in CONTINUE records.
      raw_drawing_.push_back(r);
      art_.insert(art_.end(), r.data.begin(), r.data.end());
    } else if (drawing_continues_) {
      raw_drawing_.push_back(r);
      AddBreak({std::move(r)});
    } else if (!formula_) {
      slots_.Keep(std::move(r));
    }
  }

  // An embedded chart: part of the drawing inside one, kept as read outside.
  void ReadEmbedded(Record bof) {
    std::vector<Record> sub = ReadEmbeddedSubstream(in_, std::move(bof));
    if (!in_drawing_) {
      for (Record& x : sub)
        slots_.Keep(std::move(x));
      return;
    }
    raw_drawing_.insert(raw_drawing_.end(), sub.begin(), sub.end());
    AddBreak(std::move(sub));
    drawing_continues_ = false;
    art_continues_ = false;
  }

  void ReadNote(const Record& r) {
    const auto& d = r.data;
    slots_.Mark(workbook::Slot::kDrawing);
    raw_drawing_.push_back(r);
    workbook::Note note;
    note.row = Get16(d, 0);
    note.col = Get16(d, 2);
    note.visible = (Get16(d, 4) & 0x0002) != 0;
    note.author = ReadUnicodeString(d, 8, false);
    notes_[Get16(d, 6)] = std::move(note);
  }

  // Records between drawing pieces, at the offset of the drawing data they
  // follow.
  void AddBreak(std::vector<Record> records) {
    if (!breaks_.empty() && breaks_.back().first == art_.size()) {
      auto& list = breaks_.back().second;
      list.insert(list.end(), std::make_move_iterator(records.begin()),
                  std::make_move_iterator(records.end()));
    } else {
      breaks_.emplace_back(art_.size(), std::move(records));
    }
  }

  // Merged areas and hyperlinks.

  void ReadMergedCells(const Record& r) {
    const auto& d = r.data;
    slots_.Mark(workbook::Slot::kMerges);
    std::size_t n = Get16(d, 0);
    for (std::size_t i = 0; i < n && 2 + i * 8 + 8 <= d.size(); ++i) {
      std::size_t at = 2 + i * 8;
      workbook::Area a{Get16(d, at), Get16(d, at + 2),
                       std::min<std::uint16_t>(Get16(d, at + 4), 255),
                       std::min<std::uint16_t>(Get16(d, at + 6), 255)};
      if (a.last_row >= a.first_row && a.last_col >= a.first_col) sheet_.Merges().push_back(a);
    }
  }

  void ReadHyperlink(const Record& r) {
    const auto& d = r.data;
    slots_.Mark(workbook::Slot::kHyperlinks);
    if (d.size() < 8) return;
    workbook::Hyperlink h;
    h.area = {Get16(d, 0), Get16(d, 2), Get16(d, 4), Get16(d, 6)};
    h.data.assign(d.begin() + 8, d.end());
    sheet_.Hyperlinks().push_back(std::move(h));
  }

  void ReadHyperlinkTooltip(const Record& r) {
    if (!sheet_.Hyperlinks().empty() && r.data.size() >= 12) {
      sheet_.Hyperlinks().back().tooltip.assign(r.data.begin() + 12, r.data.end());
    }
  }

  // The EOF: the drawing is taken apart, and the slots the writer needs are
  // placed where Excel would have its records.
  void Finish(Record eof) {
    FlushFormula();
    slots_.Keep(std::move(eof));
    ParseDrawing();
    PlaceMissingSlots();
  }

  void ParseDrawing() {
    if (art_.empty()) return;
    auto& items = sheet_.Items();
    try {
      sheet_.Art() = workbook::Drawing::Parse(art_, breaks_);
      for (auto& [id, note] : notes_)
        sheet_.Art().BindNote(id, std::move(note));
    } catch (const Error&) {
      // A drawing we cannot take apart is kept as it was, at its place:
      // its comments are then read-only to the engine.
      sheet_.Art() = workbook::Drawing();
      auto at = std::find_if(items.begin(), items.end(), [](const workbook::SheetItem& i) {
        return i.slot == workbook::Slot::kDrawing;
      });
      std::vector<workbook::SheetItem> kept;
      for (Record& r : raw_drawing_)
        kept.push_back({workbook::Slot::kNone, std::move(r)});
      items.insert(at, std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end()));
    }
  }

  void PlaceMissingSlots() {
    using S = workbook::Slot;
    auto& items = sheet_.Items();
    auto index_of = [&](auto pred) -> std::size_t {
      for (std::size_t i = 0; i < items.size(); ++i) {
        if (pred(items[i])) return i;
      }
      return std::string::npos;
    };
    auto slot_index = [&](S s) {
      return index_of([s](const workbook::SheetItem& i) { return i.slot == s; });
    };
    auto type_index = [&](std::uint16_t t) {
      return index_of(
          [t](const workbook::SheetItem& i) { return i.slot == S::kNone && i.record.type == t; });
    };
    auto insert_at = [&](std::size_t at, S s) {
      at = std::min(at, items.size() - 1);  // never after the EOF
      items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), {s, {}});
    };
    if (!slots_.Has(S::kCells)) {
      std::size_t dim = slot_index(S::kDimensions);
      std::size_t window = type_index(rt::kWindow2);
      insert_at(dim != std::string::npos
                    ? dim + 1
                    : (window != std::string::npos ? window : items.size() - 1),
                S::kCells);
    }
    if (!slots_.Has(S::kDimensions)) insert_at(slot_index(S::kCells), S::kDimensions);
    if (!slots_.Has(S::kColumns)) insert_at(slot_index(S::kDimensions), S::kColumns);
    if (!slots_.Has(S::kDrawing)) {
      std::size_t window = type_index(rt::kWindow2);
      insert_at(window != std::string::npos ? window : items.size() - 1, S::kDrawing);
    }
    if (!slots_.Has(S::kMerges)) {
      std::size_t after = slot_index(S::kDrawing);
      for (std::size_t i = 0; i < items.size(); ++i) {
        const auto& it = items[i];
        if (it.slot == S::kSelection ||
            (it.slot == S::kNone && (it.record.type == rt::kWindow2 ||
                                     it.record.type == rt::kPane || it.record.type == rt::kScl))) {
          after = i;
        }
      }
      insert_at(after + 1, S::kMerges);
    }
    if (!slots_.Has(S::kHyperlinks)) insert_at(slot_index(S::kMerges) + 1, S::kHyperlinks);
  }

  RecordReader& in_;
  workbook::Sheet& sheet_;
  workbook::CellStore& cells_;
  const SharedStringList& strings_;
  SlotList<workbook::SheetItem> slots_;

  std::optional<PendingFormula> formula_;
  // Shared formulas by the cell they are written with: each cell of their
  // range gets the formula as its own, so that its references follow rows.
  std::map<std::pair<std::uint32_t, std::uint16_t>, std::vector<std::uint8_t>> shared_;

  std::vector<std::uint8_t> art_;  // the drawing data of all MSODRAWING pieces
  std::vector<std::pair<std::size_t, std::vector<Record>>> breaks_;
  std::map<std::uint16_t, workbook::Note> notes_;
  std::vector<Record> raw_drawing_;  // the same records as read, for a drawing we cannot model
  bool in_drawing_ = false;
  bool drawing_continues_ = false;  // CONTINUE records extend the drawing's last piece
  bool art_continues_ = false;      // ... and after MSODRAWING they hold more of its shapes
};

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
  WorksheetReader(in, sheet, strings).Read();
}

}  // namespace quorlex::automation::biff8
