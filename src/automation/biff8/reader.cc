#include "automation/biff8/reader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "automation/biff8/compound_file.h"
#include "automation/biff8/records.h"
#include "automation/workbook/unicode.h"
#include "platform/error.h"

namespace quorlex::biff8 {

namespace {

using workbook::Get16;
using workbook::Get32;
using workbook::Record;

[[noreturn]] void Damaged(const std::string& what) { throw Error(errors::kFormat, "Damaged workbook: " + what); }

// Reads a string or bytes that may run on into CONTINUE records; each
// CONTINUE that resumes characters starts with a fresh option byte.
class Segments {
 public:
  void Add(const std::vector<std::uint8_t>* data) { parts_.push_back(data); }
  bool AtEnd() const { return part_ >= parts_.size(); }

  std::uint8_t Byte() {
    Skip();
    if (AtEnd()) Damaged("string runs past its record");
    return (*parts_[part_])[at_++];
  }
  std::uint16_t U16() {
    std::uint16_t lo = Byte();
    return static_cast<std::uint16_t>(lo | (Byte() << 8));
  }
  std::uint32_t U32() {
    std::uint32_t lo = U16();
    return lo | (static_cast<std::uint32_t>(U16()) << 16);
  }
  void SkipBytes(std::size_t n) {
    while (n > 0) {
      Skip();
      if (AtEnd()) Damaged("string runs past its record");
      std::size_t here = std::min(n, parts_[part_]->size() - at_);
      at_ += here;
      n -= here;
    }
  }
  // cch characters, 8- or 16-bit; a boundary brings a new option byte.
  std::u16string Chars(std::size_t cch, bool wide) {
    std::u16string out;
    out.reserve(std::min<std::size_t>(cch, 32768));
    while (out.size() < cch) {
      if (at_ >= parts_[part_]->size()) {
        ++part_;
        at_ = 0;
        if (AtEnd()) Damaged("string runs past its record");
        wide = ((*parts_[part_])[at_++] & 0x01) != 0;
        continue;
      }
      const auto& d = *parts_[part_];
      if (wide) {
        if (at_ + 2 > d.size()) Damaged("odd byte in a 16-bit string");
        out.push_back(static_cast<char16_t>(d[at_] | (d[at_ + 1] << 8)));
        at_ += 2;
      } else {
        out.push_back(static_cast<char16_t>(d[at_]));
        at_ += 1;
      }
    }
    return out;
  }
  // An XLUnicodeRichExtendedString, its runs and phonetic data skipped.
  std::string RichString() {
    std::size_t cch = U16();
    std::uint8_t flags = Byte();
    std::size_t runs = (flags & 0x08) != 0 ? U16() : 0;
    std::size_t ext = (flags & 0x04) != 0 ? U32() : 0;
    std::u16string chars = Chars(cch, (flags & 0x01) != 0);
    SkipBytes(runs * 4);
    SkipBytes(ext);
    return workbook::Utf16ToUtf8(chars);
  }

 private:
  void Skip() {
    while (part_ < parts_.size() && at_ >= parts_[part_]->size()) {
      ++part_;
      at_ = 0;
    }
  }
  std::vector<const std::vector<std::uint8_t>*> parts_;
  std::size_t part_ = 0;
  std::size_t at_ = 0;
};

// XLUnicodeString (16-bit count) or ShortXLUnicodeString (8-bit count) at `at`.
std::string UnicodeString(const std::vector<std::uint8_t>& d, std::size_t at, bool short_count, std::size_t* end = nullptr) {
  std::size_t cch = short_count ? (at < d.size() ? d[at] : 0) : Get16(d, at);
  at += short_count ? 1 : 2;
  if (at >= d.size()) {
    if (end) *end = at;
    return {};
  }
  std::uint8_t flags = d[at++];
  bool wide = (flags & 0x01) != 0;
  std::size_t runs = 0;
  std::size_t ext = 0;
  if (flags & 0x08) {
    runs = Get16(d, at);
    at += 2;
  }
  if (flags & 0x04) {
    ext = Get32(d, at);
    at += 4;
  }
  std::u16string chars;
  for (std::size_t i = 0; i < cch; ++i) {
    if (wide) {
      if (at + 2 > d.size()) break;
      chars.push_back(static_cast<char16_t>(Get16(d, at)));
      at += 2;
    } else {
      if (at >= d.size()) break;
      chars.push_back(static_cast<char16_t>(d[at++]));
    }
  }
  if (end) *end = at + runs * 4 + ext;
  return workbook::Utf16ToUtf8(chars);
}

double DecodeRk(std::uint32_t rk) {
  double v;
  if (rk & 0x02) {
    v = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
  } else {
    v = std::bit_cast<double>(static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32);
  }
  return (rk & 0x01) ? v / 100.0 : v;
}

double DecodeDouble(const std::vector<std::uint8_t>& d, std::size_t at) {
  std::uint64_t bits = static_cast<std::uint64_t>(Get32(d, at)) | (static_cast<std::uint64_t>(Get32(d, at + 4)) << 32);
  return std::bit_cast<double>(bits);
}

struct BoundSheet {
  std::uint32_t offset = 0;
  std::uint8_t state = 0;
  std::uint8_t type = 0;
  std::string name;
};

void CheckBof(const Record& bof, bool globals) {
  if (bof.type != rt::kBof) {
    if (bof.type == 0x0009 || bof.type == 0x0209 || bof.type == 0x0409) {
      throw Error(errors::kFormat, "Книги Excel 4.0 и более ранних версий (BIFF4 и старше) не поддерживаются");
    }
    Damaged("no BOF record");
  }
  std::uint16_t version = Get16(bof.data, 0);
  if (version != 0x0600) {
    throw Error(errors::kFormat, "Книги Excel 5.0/95 (BIFF5) и более ранних версий не поддерживаются");
  }
  if (globals && Get16(bof.data, 2) != 0x0005) Damaged("the workbook stream does not start with the workbook globals");
}

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> stream) : stream_(stream) {}

  std::unique_ptr<workbook::Workbook> Read() {
    book_ = std::make_unique<workbook::Workbook>();
    ReadGlobals();
    for (const BoundSheet& bs : bound_) ReadSheet(bs);
    if (book_->SheetCount() == 0) Damaged("no sheets");
    if (book_->ActiveSheet() >= book_->SheetCount()) book_->SetActiveSheet(0);
    if (book_->Formats().XfCount() <= workbook::kDefaultXf) Damaged("fewer than 16 cell formats");
    if (book_->Formats().FontCount() == 0) Damaged("no fonts");
    return std::move(book_);
  }

 private:
  void ReadGlobals() {
    RecordReader in(stream_);
    Record r;
    if (!in.Next(r)) Damaged("empty workbook stream");
    CheckBof(r, true);
    auto& g = book_->Globals();
    g.push_back({workbook::GlobalSlot::kNone, r});
    bool fonts = false, formats = false, xfs = false, palette = false, bounds = false, group = false, sst = false, tabid = false;
    std::vector<Record> sst_parts;
    std::vector<std::uint8_t>* continued = nullptr;  // the drawing group while CONTINUEs extend it
    bool in_sst = false;
    bool in_kept = false;
    bool ended = false;
    while (in.Next(r)) {
      if (r.type == rt::kContinue) {
        if (in_sst) {
          sst_parts.push_back(std::move(r));
        } else if (continued != nullptr) {
          continued->insert(continued->end(), r.data.begin(), r.data.end());
        } else if (in_kept) {
          g.push_back({workbook::GlobalSlot::kNone, std::move(r)});
        }
        continue;
      }
      in_sst = false;
      continued = nullptr;
      in_kept = false;
      switch (r.type) {
        case rt::kFilePass:
          throw Error(errors::kFormat, "Зашифрованные книги (защищённые паролем на открытие) не поддерживаются");
        case rt::kFont: {
          if (!fonts) g.push_back({workbook::GlobalSlot::kFonts, {}});
          fonts = true;
          workbook::Font f;
          f.height = Get16(r.data, 0);
          f.flags = Get16(r.data, 2);
          f.color = Get16(r.data, 4);
          f.weight = Get16(r.data, 6);
          f.escapement = Get16(r.data, 8);
          f.underline = r.data.size() > 10 ? r.data[10] : 0;
          f.family = r.data.size() > 11 ? r.data[11] : 0;
          f.charset = r.data.size() > 12 ? r.data[12] : 0;
          f.reserved = r.data.size() > 13 ? r.data[13] : 0;
          f.name = UnicodeString(r.data, 14, true);
          book_->Formats().AddFontRaw(f);
          break;
        }
        case rt::kFormat:
          if (!formats) g.push_back({workbook::GlobalSlot::kFormats, {}});
          formats = true;
          book_->Formats().SetFormat(Get16(r.data, 0), UnicodeString(r.data, 2, false));
          break;
        case rt::kXf: {
          if (!xfs) g.push_back({workbook::GlobalSlot::kXfs, {}});
          xfs = true;
          if (r.data.size() < 20) Damaged("short XF record");
          std::array<std::uint8_t, 20> bytes{};
          std::copy_n(r.data.begin(), 20, bytes.begin());
          book_->Formats().AddXfRaw(workbook::Xf(bytes));
          break;
        }
        case rt::kPalette: {
          if (!palette) g.push_back({workbook::GlobalSlot::kPalette, {}});
          palette = true;
          workbook::Palette p = workbook::DefaultPalette();
          std::size_t n = std::min<std::size_t>(Get16(r.data, 0), p.size());
          for (std::size_t i = 0; i < n && 2 + i * 4 + 3 <= r.data.size(); ++i) {
            std::size_t at = 2 + i * 4;
            p[i] = (static_cast<std::uint32_t>(r.data[at]) << 16) | (static_cast<std::uint32_t>(r.data[at + 1]) << 8) | r.data[at + 2];
          }
          book_->Formats().SetColors(p, true);
          break;
        }
        case rt::kBoundSheet: {
          if (!bounds) g.push_back({workbook::GlobalSlot::kBoundSheets, {}});
          bounds = true;
          BoundSheet bs;
          bs.offset = Get32(r.data, 0);
          bs.state = r.data.size() > 4 ? r.data[4] : 0;
          bs.type = r.data.size() > 5 ? r.data[5] : 0;
          bs.name = UnicodeString(r.data, 6, true);
          bound_.push_back(std::move(bs));
          break;
        }
        case rt::kMsoDrawingGroup:
          if (!group) g.push_back({workbook::GlobalSlot::kDrawingGroup, {}});
          group = true;
          book_->DrawingGroup().insert(book_->DrawingGroup().end(), r.data.begin(), r.data.end());
          continued = &book_->DrawingGroup();
          break;
        case rt::kSst:
          if (!sst) g.push_back({workbook::GlobalSlot::kSharedStrings, {}});
          sst = true;
          sst_parts.clear();
          sst_parts.push_back(std::move(r));
          in_sst = true;
          break;
        case rt::kExtSst:
          break;  // written anew with the strings
        case rt::kWindow1:
          if (std::none_of(g.begin(), g.end(), [](const workbook::GlobalItem& i) { return i.slot == workbook::GlobalSlot::kWindow; })) {
            book_->SetActiveSheet(Get16(r.data, 10));
            g.push_back({workbook::GlobalSlot::kWindow, std::move(r)});
          } else {
            g.push_back({workbook::GlobalSlot::kNone, std::move(r)});
          }
          break;
        case rt::kTabId:
          if (!tabid) g.push_back({workbook::GlobalSlot::kTabIds, {}});
          tabid = true;
          break;
        case rt::kEof:
          g.push_back({workbook::GlobalSlot::kNone, std::move(r)});
          ended = true;
          break;
        default:
          g.push_back({workbook::GlobalSlot::kNone, std::move(r)});
          in_kept = true;
          break;
      }
      if (ended) break;
    }
    if (!ended) Damaged("the workbook globals have no EOF record");
    if (!xfs || !fonts) Damaged("no fonts or cell formats");
    // Slots the writer may need although the template had no such records.
    auto find_slot = [&](workbook::GlobalSlot s) {
      return std::find_if(g.begin(), g.end(), [s](const workbook::GlobalItem& i) { return i.slot == s; });
    };
    if (!palette) {
      auto at = std::find_if(g.begin(), g.end(), [](const workbook::GlobalItem& i) {
        return i.slot == workbook::GlobalSlot::kBoundSheets || (i.slot == workbook::GlobalSlot::kNone && i.record.type == rt::kUsesElfs);
      });
      g.insert(at, {workbook::GlobalSlot::kPalette, {}});
    }
    if (!sst) g.insert(g.end() - 1, {workbook::GlobalSlot::kSharedStrings, {}});
    if (!group) g.insert(find_slot(workbook::GlobalSlot::kSharedStrings), {workbook::GlobalSlot::kDrawingGroup, {}});
    if (!bounds) Damaged("no sheets");
    if (!sst_parts.empty()) ReadSst(sst_parts);
  }

  void ReadSst(const std::vector<Record>& parts) {
    Segments s;
    for (const Record& p : parts) s.Add(&p.data);
    s.U32();
    std::uint32_t unique = s.U32();
    // The count comes from the file: trust only what the bytes can hold.
    strings_.reserve(std::min<std::size_t>(unique, stream_.size() / 3));
    for (std::uint32_t i = 0; i < unique && !s.AtEnd(); ++i) strings_.push_back(s.RichString());
  }

  void ReadSheet(const BoundSheet& bs) {
    if (bs.offset >= stream_.size()) Damaged("sheet offset past the end of the stream");
    RecordReader in(stream_, bs.offset);
    Record bof;
    if (!in.Next(bof)) Damaged("missing sheet");
    CheckBof(bof, false);
    std::uint16_t dt = Get16(bof.data, 2);
    workbook::SheetKind kind = workbook::SheetKind::kOther;
    if (bs.type == 0x00 && dt == 0x0010) kind = workbook::SheetKind::kWorksheet;
    else if (bs.type == 0x02 || dt == 0x0020) kind = workbook::SheetKind::kChart;
    else if (bs.type == 0x01 || dt == 0x0040) kind = workbook::SheetKind::kMacro;
    auto sheet = std::make_unique<workbook::Sheet>(kind, bs.name);
    sheet->SetBoundSheetFlags(static_cast<std::uint16_t>(bs.state | (bs.type << 8)));
    sheet->Items().push_back({workbook::Slot::kNone, bof});
    if (kind == workbook::SheetKind::kWorksheet) {
      ReadWorksheet(in, *sheet);
    } else {
      ReadRawSubstream(in, sheet->Items());
    }
    book_->AppendSheet(std::move(sheet));
  }

  // Records up to the EOF that closes the substream, nested ones included.
  static void ReadRawSubstream(RecordReader& in, std::vector<workbook::SheetItem>& items) {
    int depth = 1;
    Record r;
    while (depth > 0) {
      if (!in.Next(r)) Damaged("sheet without EOF record");
      if (r.type == rt::kBof) ++depth;
      if (r.type == rt::kEof) --depth;
      items.push_back({workbook::Slot::kNone, std::move(r)});
    }
  }

  static std::vector<Record> ReadEmbeddedSubstream(RecordReader& in, Record bof) {
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

  void ReadWorksheet(RecordReader& in, workbook::Sheet& sheet) {
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
    std::map<std::uint16_t, workbook::Note> notes;
    struct Pending {
      std::uint32_t row;
      std::uint16_t col;
      std::uint16_t xf;
      workbook::FormulaBody body;
    };
    std::optional<Pending> formula;
    auto flush_formula = [&] {
      if (!formula) return;
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
      }
      const auto& d = r.data;
      switch (type) {
        case rt::kEof:
          flush_formula();
          items.push_back({workbook::Slot::kNone, std::move(r)});
          FinishWorksheet(sheet, have, art, breaks, notes);
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
          std::string_view text = index < strings_.size() ? std::string_view(strings_[index]) : std::string_view();
          put(Get16(d, 0), Get16(d, 2), Get16(d, 4), workbook::CellKind::kText, cells.StoreText(text));
          break;
        }
        case rt::kLabel:
        case rt::kRString: {
          mark(workbook::Slot::kCells);
          std::string text = UnicodeString(d, 6, false);
          put(Get16(d, 0), Get16(d, 2), Get16(d, 4), workbook::CellKind::kText, cells.StoreText(text));
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
        case rt::kArray:
        case rt::kTable:
          if (formula) {
            workbook::FormulaBody::Attached a{type, d};
            workbook::Put16(a.data, 0, static_cast<std::uint16_t>(Get16(d, 0) - formula->row));
            workbook::Put16(a.data, 2, static_cast<std::uint16_t>(Get16(d, 2) - formula->row));
            formula->body.attached.push_back(std::move(a));
          }
          break;
        case rt::kString:
          if (formula) {
            Segments s;
            s.Add(&r.data);
            std::vector<Record> more;
            std::uint16_t next = 0;
            while (in.PeekType(next) && next == rt::kContinue) {
              Record c;
              in.Next(c);
              more.push_back(std::move(c));
            }
            for (const Record& c : more) s.Add(&c.data);
            std::size_t cch = s.U16();
            std::uint8_t flags = s.Byte();
            formula->body.cached_text = workbook::Utf16ToUtf8(s.Chars(cch, (flags & 0x01) != 0));
          }
          break;
        case rt::kMsoDrawing:
          mark(workbook::Slot::kDrawing);
          art.insert(art.end(), d.begin(), d.end());
          in_drawing = true;
          drawing_continues = true;
          break;
        case rt::kObj:
        case rt::kTxo:
          if (art.empty()) {
            items.push_back({workbook::Slot::kNone, std::move(r)});
            break;
          }
          add_break({std::move(r)});
          in_drawing = true;
          drawing_continues = true;
          break;
        case rt::kContinue:
          if (drawing_continues) {
            add_break({std::move(r)});
          } else if (!formula) {
            items.push_back({workbook::Slot::kNone, std::move(r)});
          }
          break;
        case rt::kBof:
          if (in_drawing) {
            add_break(ReadEmbeddedSubstream(in, std::move(r)));
            drawing_continues = false;
          } else {
            std::vector<Record> sub = ReadEmbeddedSubstream(in, std::move(r));
            for (Record& x : sub) items.push_back({workbook::Slot::kNone, std::move(x)});
          }
          break;
        case rt::kNote: {
          mark(workbook::Slot::kDrawing);
          workbook::Note note;
          note.row = Get16(d, 0);
          note.col = Get16(d, 2);
          note.visible = (Get16(d, 4) & 0x0002) != 0;
          note.author = UnicodeString(d, 8, false);
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

  static void FinishWorksheet(workbook::Sheet& sheet, const bool* have, const std::vector<std::uint8_t>& art,
                              const std::vector<std::pair<std::size_t, std::vector<Record>>>& breaks,
                              std::map<std::uint16_t, workbook::Note>& notes) {
    if (!art.empty()) {
      sheet.Art() = workbook::Drawing::Parse(art, breaks);
      for (auto& [id, note] : notes) sheet.Art().BindNote(id, std::move(note));
    }
    auto& items = sheet.Items();
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

  std::span<const std::uint8_t> stream_;
  std::unique_ptr<workbook::Workbook> book_;
  std::vector<BoundSheet> bound_;
  std::vector<std::string> strings_;
};

}  // namespace

std::unique_ptr<workbook::Workbook> ReadWorkbookStream(std::span<const std::uint8_t> stream) {
  return Reader(stream).Read();
}

std::unique_ptr<workbook::Workbook> ReadWorkbookBytes(std::span<const std::uint8_t> bytes, const std::string& display_name) {
  if (!IsCompoundFile(bytes)) {
    // A bare BIFF stream: Excel 2, 3 and 4 wrote these.
    if (bytes.size() >= 2 && bytes[1] < 0x10 && (bytes[0] == 0x09) && (bytes[1] == 0x00 || bytes[1] == 0x02 || bytes[1] == 0x04 || bytes[1] == 0x08)) {
      throw Error(errors::kFormat, "Книги Excel 4.0 и более ранних версий (BIFF4 и старше) не поддерживаются: " + display_name);
    }
    throw Error(errors::kFormat, "Файл " + display_name + " не является книгой Excel 97-2003");
  }
  CompoundContents contents = ReadCompound(bytes);
  if (contents.workbook.empty()) {
    if (contents.has_biff5_book) {
      throw Error(errors::kFormat, "Книги Excel 5.0/95 (BIFF5) не поддерживаются: " + display_name);
    }
    throw Error(errors::kFormat, "Файл " + display_name + " не является книгой Excel 97-2003");
  }
  auto book = ReadWorkbookStream(contents.workbook);
  book->OtherStreams() = std::move(contents.others);
  book->RootClsid() = contents.root_clsid;
  return book;
}

std::unique_ptr<workbook::Workbook> ReadWorkbook(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error(errors::kFile, "Не удалось открыть файл " + path);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw Error(errors::kFile, "Не удалось прочитать файл " + path);
  return ReadWorkbookBytes(bytes, path);
}

}  // namespace quorlex::biff8
