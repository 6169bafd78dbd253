#include "automation/biff8/writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string_view>
#include <unordered_map>

#include "automation/biff8/compound_file.h"
#include "automation/biff8/records.h"
#include "automation/workbook/unicode.h"
#include "platform/error.h"

namespace quorlex::biff8 {

namespace {

using workbook::Append16;
using workbook::Append32;
using workbook::Get16;
using workbook::Get32;
using workbook::Put16;
using workbook::Put32;

constexpr std::uint32_t kMaxRows = 65536;
constexpr std::uint32_t kMaxCols = 256;
constexpr std::size_t kMaxCellChars = 32767;

std::string Quoted(std::string_view s) { return "«" + std::string(s) + "»"; }

std::string Thousands(std::uint64_t n) {
  std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ' ';
    out += digits[i];
  }
  return out;
}

void AppendUnicode(std::vector<std::uint8_t>& out, std::string_view utf8, bool short_count) {
  std::u16string chars = workbook::Utf8ToUtf16(utf8);
  if (short_count && chars.size() > 255) chars.resize(255);
  bool wide = std::any_of(chars.begin(), chars.end(), [](char16_t c) { return c > 0xFF; });
  if (short_count) {
    out.push_back(static_cast<std::uint8_t>(chars.size()));
  } else {
    Append16(out, static_cast<std::uint32_t>(chars.size()));
  }
  out.push_back(wide ? 1 : 0);
  for (char16_t c : chars) {
    if (wide) {
      Append16(out, c);
    } else {
      out.push_back(static_cast<std::uint8_t>(c));
    }
  }
}

void AppendDouble(std::vector<std::uint8_t>& out, double v) {
  std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
  Append32(out, static_cast<std::uint32_t>(bits & 0xFFFFFFFFu));
  Append32(out, static_cast<std::uint32_t>(bits >> 32));
}

class Sink {
 public:
  void Put(std::uint16_t type, std::span<const std::uint8_t> data) { AppendRecord(bytes, type, data); }
  void Put(const workbook::Record& r) {
    // Kept records longer than BIFF allows cannot occur in a read file, but
    // a generated one could: split it with CONTINUE.
    if (r.data.size() <= kMaxRecordData) {
      Put(r.type, r.data);
      return;
    }
    std::span<const std::uint8_t> all(r.data);
    Put(r.type, all.subspan(0, kMaxRecordData));
    for (std::size_t at = kMaxRecordData; at < all.size(); at += kMaxRecordData) {
      Put(rt::kContinue, all.subspan(at, std::min(kMaxRecordData, all.size() - at)));
    }
  }
  std::size_t Size() const { return bytes.size(); }
  std::vector<std::uint8_t> bytes;
};

// Shared strings: every text cell's text once, in order of first use.
class StringTable {
 public:
  std::uint32_t Add(std::string_view s) {
    ++total_;
    auto [it, inserted] = index_.try_emplace(s, static_cast<std::uint32_t>(strings_.size()));
    if (inserted) strings_.push_back(s);
    return it->second;
  }
  std::uint32_t Find(std::string_view s) const { return index_.at(s); }

  void Write(Sink& sink) const {
    // Record boundaries fall between strings, or inside the characters of
    // one with a fresh option byte.
    std::vector<std::uint8_t> rec;
    Append32(rec, total_);
    Append32(rec, static_cast<std::uint32_t>(strings_.size()));
    std::uint16_t rec_type = rt::kSst;
    std::size_t bucket = std::max<std::size_t>(8, (strings_.size() + 127) / 128);
    std::vector<std::pair<std::uint32_t, std::uint16_t>> ext;
    auto flush = [&] {
      sink.Put(rec_type, rec);
      rec.clear();
      rec_type = rt::kContinue;
    };
    for (std::size_t i = 0; i < strings_.size(); ++i) {
      std::u16string chars = workbook::Utf8ToUtf16(strings_[i]);
      bool wide = std::any_of(chars.begin(), chars.end(), [](char16_t c) { return c > 0xFF; });
      std::size_t unit = wide ? 2 : 1;
      if (rec.size() + 3 + unit > kMaxRecordData) flush();
      if (i % bucket == 0) {
        ext.emplace_back(static_cast<std::uint32_t>(sink.Size() + 4 + rec.size()), static_cast<std::uint16_t>(rec.size() + 4));
      }
      Append16(rec, static_cast<std::uint32_t>(chars.size()));
      rec.push_back(wide ? 1 : 0);
      std::size_t at = 0;
      while (at < chars.size()) {
        std::size_t room = (kMaxRecordData - rec.size()) / unit;
        if (room == 0) {
          flush();
          rec.push_back(wide ? 1 : 0);
          continue;
        }
        std::size_t n = std::min(room, chars.size() - at);
        for (std::size_t k = at; k < at + n; ++k) {
          if (wide) {
            Append16(rec, chars[k]);
          } else {
            rec.push_back(static_cast<std::uint8_t>(chars[k]));
          }
        }
        at += n;
      }
    }
    flush();
    std::vector<std::uint8_t> extsst;
    Append16(extsst, static_cast<std::uint32_t>(bucket));
    for (const auto& [offset, in_record] : ext) {
      Append32(extsst, offset);
      Append16(extsst, in_record);
      Append16(extsst, 0);
    }
    // EXTSST is an index only; a huge table keeps the first entries.
    if (extsst.size() > kMaxRecordData) extsst.resize(kMaxRecordData - (kMaxRecordData - 2) % 8);
    sink.Put(rt::kExtSst, extsst);
  }

 private:
  std::vector<std::string_view> strings_;
  std::unordered_map<std::string_view, std::uint32_t> index_;
  std::uint32_t total_ = 0;
};

// Drawing identifiers of the whole workbook: each worksheet's drawing gets
// a drawing id and a cluster of shape ids; drawings of kept sheets (chart
// sheets) keep theirs.
struct DrawingPlan {
  std::vector<std::uint32_t> dg_id;      // per sheet, 0 when none
  std::vector<std::uint32_t> spid_base;  // per sheet
  std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> clusters;  // cluster -> (dg, used)
  std::uint32_t shapes = 0;
  std::uint32_t drawings = 0;
};

void ScanKeptDrawing(const workbook::Sheet& sheet, DrawingPlan& plan, std::set<std::uint32_t>& used_dg) {
  std::vector<std::uint8_t> art;
  for (const auto& item : sheet.Items()) {
    if (item.slot == workbook::Slot::kNone && item.record.type == rt::kMsoDrawing) {
      art.insert(art.end(), item.record.data.begin(), item.record.data.end());
    }
  }
  if (art.empty()) return;
  std::uint32_t dg = 0;
  workbook::WalkArt(art, 0, art.size(), [&](std::uint16_t type, std::uint16_t instance, std::size_t, std::size_t body, std::size_t len, int) {
    if (type == 0xF008) {
      dg = instance;
      used_dg.insert(dg);
      ++plan.drawings;
    }
    if (type == 0xF00A && len >= 8) {
      std::uint32_t spid = Get32(art, body);
      auto& c = plan.clusters[spid / 1024];
      c.first = dg;
      c.second = std::max(c.second, spid % 1024 + 1);
      ++plan.shapes;
    }
  });
}

DrawingPlan PlanDrawings(const workbook::Workbook& book) {
  DrawingPlan plan;
  plan.dg_id.assign(book.SheetCount(), 0);
  plan.spid_base.assign(book.SheetCount(), 0);
  std::set<std::uint32_t> used_dg;
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    if (!book.SheetAt(i).IsWorksheet()) ScanKeptDrawing(book.SheetAt(i), plan, used_dg);
  }
  std::uint32_t next_dg = 1;
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    const auto& sheet = book.SheetAt(i);
    if (!sheet.IsWorksheet() || sheet.Art().Empty()) continue;
    while (used_dg.count(next_dg) != 0) ++next_dg;
    std::uint32_t dg = next_dg++;
    std::uint32_t need = sheet.Art().ShapeIdCount();
    std::uint32_t count = (need + 1023) / 1024;
    std::uint32_t first = 1;
    for (;; ++first) {
      bool free = true;
      for (std::uint32_t k = 0; k < count; ++k) free = free && plan.clusters.count(first + k) == 0;
      if (free) break;
    }
    for (std::uint32_t k = 0; k < count; ++k) {
      plan.clusters[first + k] = {dg, std::min<std::uint32_t>(1024, need - k * 1024)};
    }
    plan.dg_id[i] = dg;
    plan.spid_base[i] = first * 1024;
    plan.shapes += need;
    ++plan.drawings;
  }
  return plan;
}

std::vector<std::uint8_t> DrawingGroupBody(const workbook::Workbook& book, const DrawingPlan& plan) {
  std::uint32_t max_cluster = plan.clusters.empty() ? 0 : plan.clusters.rbegin()->first;
  std::vector<std::uint8_t> fdgg;
  Append32(fdgg, (max_cluster + 1) * 1024 + 1);
  Append32(fdgg, max_cluster + 1);
  Append32(fdgg, plan.shapes);
  Append32(fdgg, plan.drawings);
  for (std::uint32_t c = 1; c <= max_cluster; ++c) {
    auto it = plan.clusters.find(c);
    Append32(fdgg, it == plan.clusters.end() ? 0 : it->second.first);
    Append32(fdgg, it == plan.clusters.end() ? 0 : it->second.second);
  }
  std::vector<std::uint8_t> rest;
  const auto& old = book.DrawingGroup();
  if (old.size() >= 8 && Get16(old, 2) == 0xF000) {
    std::size_t end = std::min<std::size_t>(old.size(), 8 + static_cast<std::size_t>(Get32(old, 4)));
    std::size_t at = 8;
    while (at + 8 <= end) {
      std::size_t next = std::min(end, at + 8 + static_cast<std::size_t>(Get32(old, at + 4)));
      if (Get16(old, at + 2) != 0xF006) rest.insert(rest.end(), old.begin() + static_cast<std::ptrdiff_t>(at), old.begin() + static_cast<std::ptrdiff_t>(next));
      at = next;
    }
  } else {
    // Default shape properties and the colours of the drawing menus.
    const std::uint8_t opt[] = {0x33, 0x00, 0x0B, 0xF0, 0x12, 0x00, 0x00, 0x00, 0xBF, 0x00, 0x08, 0x00, 0x08, 0x00,
                                0x81, 0x01, 0x09, 0x00, 0x00, 0x08, 0xC0, 0x01, 0x40, 0x00, 0x00, 0x08};
    const std::uint8_t colors[] = {0x40, 0x00, 0x1E, 0xF1, 0x10, 0x00, 0x00, 0x00, 0x0D, 0x00, 0x00, 0x08, 0x0C, 0x00,
                                   0x00, 0x08, 0x17, 0x00, 0x00, 0x08, 0xF7, 0x00, 0x00, 0x10};
    rest.insert(rest.end(), std::begin(opt), std::end(opt));
    rest.insert(rest.end(), std::begin(colors), std::end(colors));
  }
  std::vector<std::uint8_t> out;
  Append16(out, 0x000F);
  Append16(out, 0xF000);
  Append32(out, static_cast<std::uint32_t>(8 + fdgg.size() + rest.size()));
  Append16(out, 0x0000);
  Append16(out, 0xF006);
  Append32(out, static_cast<std::uint32_t>(fdgg.size()));
  out.insert(out.end(), fdgg.begin(), fdgg.end());
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
}

// The RK form of v when one holds it exactly: an integer, an integer
// hundredth, or a double whose low 34 bits are zero (times 100 or not).
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

class SheetWriter {
 public:
  SheetWriter(const workbook::Sheet& sheet, const StringTable& strings, bool active, std::uint32_t dg_id,
              std::uint32_t spid_base)
      : sheet_(sheet), strings_(strings), active_(active), dg_id_(dg_id), spid_base_(spid_base) {}

  void Write(Sink& out) {
    bool selection_done = false;
    for (const auto& item : sheet_.Items()) {
      switch (item.slot) {
        case workbook::Slot::kNone:
          if (item.record.type == rt::kWindow2 && item.record.data.size() >= 2) {
            workbook::Record w = item.record;
            std::uint16_t flags = Get16(w.data, 0);
            flags = active_ ? static_cast<std::uint16_t>(flags | 0x0600) : static_cast<std::uint16_t>(flags & ~0x0600);
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
  }

 private:
  void WriteColumns(Sink& out) {
    std::vector<std::uint8_t> d;
    Append16(d, sheet_.DefaultColumnWidth());
    out.Put(rt::kDefColWidth, d);
    for (const auto& c : sheet_.Columns()) {
      d.clear();
      Append16(d, c.first);
      Append16(d, c.last);
      Append16(d, c.width);
      Append16(d, c.xf);
      Append16(d, c.flags);
      Append16(d, 0);
      out.Put(rt::kColInfo, d);
    }
  }

  void WriteDimensions(Sink& out) {
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

  std::uint16_t DefaultRowHeight() const {
    for (const auto& item : sheet_.Items()) {
      if (item.slot == workbook::Slot::kNone && item.record.type == rt::kDefaultRowHeight) return Get16(item.record.data, 2);
    }
    return 0x00FF;
  }

  void WriteCells(Sink& out) {
    const auto& rows = sheet_.Cells().Rows();
    const std::uint16_t default_height = DefaultRowHeight();
    auto wanted = [&](std::uint32_t r) { return !rows[r].cells.empty() || rows[r].info.own; };
    std::uint32_t count = static_cast<std::uint32_t>(std::min<std::size_t>(rows.size(), kMaxRows));
    // Shared-formula hosts present in this layout.
    std::set<std::pair<std::uint32_t, std::uint16_t>> hosts;
    for (std::uint32_t r = 0; r < count; ++r) {
      for (const auto& c : rows[r].cells) {
        if (c.kind == workbook::CellKind::kFormula) {
          auto body = workbook::FormulaBody::Decode(sheet_.Cells().Blob(c));
          if (!body.attached.empty()) hosts.emplace(r, c.col);
        }
      }
    }
    std::vector<std::uint8_t> d;
    for (std::uint32_t block = 0; block < count; block += 32) {
      std::uint32_t end = std::min(count, block + 32);
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
          Append16(d, row.info.xf_word);
        } else {
          Append16(d, default_height);
          Append16(d, 0);
          Append16(d, 0);
          Append16(d, 0x0100);
          Append16(d, workbook::kDefaultXf);
        }
        out.Put(rt::kRow, d);
      }
      for (std::uint32_t r = block; r < end; ++r) {
        for (const auto& c : rows[r].cells) WriteCell(out, r, c, hosts);
      }
    }
  }

  void CellHeader(std::vector<std::uint8_t>& d, std::uint32_t r, const workbook::Cell& c) {
    d.clear();
    Append16(d, r);
    Append16(d, c.col);
    Append16(d, c.xf);
  }

  void WriteCell(Sink& out, std::uint32_t r, const workbook::Cell& c, const std::set<std::pair<std::uint32_t, std::uint16_t>>& hosts) {
    std::vector<std::uint8_t>& d = cell_buffer_;
    const auto& cells = sheet_.Cells();
    CellHeader(d, r, c);
    switch (c.kind) {
      case workbook::CellKind::kBlank:
        out.Put(rt::kBlank, d);
        return;
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
        Append32(d, strings_.Find(cells.Text(c)));
        out.Put(rt::kLabelSst, d);
        return;
      case workbook::CellKind::kBoolean:
      case workbook::CellKind::kError:
        d.push_back(static_cast<std::uint8_t>(c.payload));
        d.push_back(c.kind == workbook::CellKind::kError ? 1 : 0);
        out.Put(rt::kBoolErr, d);
        return;
      case workbook::CellKind::kFormula:
        WriteFormula(out, r, c, hosts);
        return;
    }
  }

  void WriteFormula(Sink& out, std::uint32_t r, const workbook::Cell& c, const std::set<std::pair<std::uint32_t, std::uint16_t>>& hosts) {
    workbook::FormulaBody body = workbook::FormulaBody::Decode(sheet_.Cells().Blob(c));
    auto& rec = body.record;
    if (rec.size() < 16) return;
    std::vector<std::uint8_t>& d = cell_buffer_;
    CellHeader(d, r, c);
    std::size_t cce = Get16(rec, 14);
    bool shared = cce >= 5 && rec.size() >= 21 && (rec[16] == 0x01 || rec[16] == 0x02);
    if (shared) {
      auto host_row = static_cast<std::uint16_t>(Get16(rec, 17) + r);
      std::uint16_t host_col = Get16(rec, 19);
      if (hosts.count({host_row, host_col}) == 0) {
        // Its shared formula did not come along (rows deleted or copied
        // apart): keep the value the formula last gave.
        WriteCachedValue(out, r, c, body);
        return;
      }
      Put16(rec, 17, host_row);
    }
    d.insert(d.end(), rec.begin(), rec.end());
    out.Put(rt::kFormula, d);
    for (auto a : body.attached) {
      Put16(a.data, 0, static_cast<std::uint16_t>(Get16(a.data, 0) + r));
      Put16(a.data, 2, static_cast<std::uint16_t>(Get16(a.data, 2) + r));
      out.Put(a.type, a.data);
    }
    if (rec[6] == 0xFF && rec[7] == 0xFF && rec[0] == 0x00) {
      std::vector<std::uint8_t> s;
      AppendUnicode(s, body.cached_text, false);
      out.Put(workbook::Record{rt::kString, s});
    }
  }

  void WriteCachedValue(Sink& out, std::uint32_t r, const workbook::Cell& c, const workbook::FormulaBody& body) {
    std::vector<std::uint8_t> d;
    CellHeader(d, r, c);
    const auto& rec = body.record;
    if (rec[6] == 0xFF && rec[7] == 0xFF) {
      if (rec[0] == 0x01 || rec[0] == 0x02) {
        d.push_back(rec[2]);
        d.push_back(rec[0] == 0x02 ? 1 : 0);
        out.Put(rt::kBoolErr, d);
      } else if (rec[0] == 0x00 && !body.cached_text.empty()) {
        std::vector<std::uint8_t> label = d;
        AppendUnicode(label, body.cached_text, false);
        out.Put(workbook::Record{rt::kLabel, label});
      } else {
        out.Put(rt::kBlank, d);
      }
      return;
    }
    d.insert(d.end(), rec.begin(), rec.begin() + 8);
    out.Put(rt::kNumber, d);
  }

  void WriteDrawing(Sink& out) {
    if (sheet_.Art().Empty()) return;
    std::vector<workbook::Record> records;
    std::vector<workbook::Record> notes;
    sheet_.Art().Write(dg_id_, spid_base_, records, notes);
    for (const auto& r : records) out.Put(r);
    for (const auto& r : notes) out.Put(r);
  }

  void WriteSelection(Sink& out, const workbook::Record& original) {
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

  void WriteMerges(Sink& out) {
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

  void WriteHyperlinks(Sink& out) {
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

  const workbook::Sheet& sheet_;
  const StringTable& strings_;
  bool active_;
  std::uint32_t dg_id_;
  std::uint32_t spid_base_;
  std::vector<std::uint8_t> cell_buffer_;
};

void PatchWindow2Kept(std::vector<std::uint8_t>& bytes, bool active) {
  std::uint16_t flags = Get16(bytes, 0);
  flags = active ? static_cast<std::uint16_t>(flags | 0x0600) : static_cast<std::uint16_t>(flags & ~0x0600);
  Put16(bytes, 0, flags);
}

}  // namespace

void CheckLimits(const workbook::Workbook& book) {
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    const auto& sheet = book.SheetAt(i);
    workbook::CheckSheetName(sheet.Name());
    if (!sheet.IsWorksheet()) continue;
    const auto& rows = sheet.Cells().Rows();
    std::uint32_t last_row = 0;
    bool any = false;
    for (std::uint32_t r = 0; r < rows.size(); ++r) {
      if (!rows[r].cells.empty() || rows[r].info.own) {
        last_row = r;
        any = true;
      }
      for (const auto& c : rows[r].cells) {
        if (c.col >= kMaxCols) {
          throw Error(errors::kSpreadsheet, "Лист " + Quoted(sheet.Name()) + " шире 256 столбцов: Excel 97-2003 его не вместит");
        }
        if (c.kind == workbook::CellKind::kText) {
          std::string_view text = sheet.Cells().Text(c);
          if (text.size() > kMaxCellChars && workbook::Utf16Length(text) > kMaxCellChars) {
            throw Error(errors::kSpreadsheet, "В ячейке листа " + Quoted(sheet.Name()) + " (строка " + std::to_string(r + 1) +
                                                  ") больше 32 767 символов: Excel 97-2003 её не вместит");
          }
        }
      }
    }
    if (any && last_row >= kMaxRows) {
      throw Error(errors::kSpreadsheet, "На листе " + Quoted(sheet.Name()) + " " + Thousands(last_row + 1ull) +
                                            " строк, больше 65 536: Excel 97-2003 его не вместит");
    }
    for (const auto& m : sheet.Merges()) {
      if (m.last_row >= kMaxRows || m.last_col >= kMaxCols) {
        throw Error(errors::kSpreadsheet, "Объединённые ячейки листа " + Quoted(sheet.Name()) + " выходят за пределы Excel 97-2003");
      }
    }
  }
}

std::vector<std::uint8_t> WriteWorkbookStream(const workbook::Workbook& book) {
  StringTable strings;
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    const auto& sheet = book.SheetAt(i);
    if (!sheet.IsWorksheet()) continue;
    for (const auto& row : sheet.Cells().Rows()) {
      for (const auto& c : row.cells) {
        if (c.kind == workbook::CellKind::kText) strings.Add(sheet.Cells().Text(c));
      }
    }
  }
  DrawingPlan plan = PlanDrawings(book);
  bool any_drawing = plan.drawings > 0 || !book.DrawingGroup().empty();

  Sink globals;
  std::vector<std::size_t> boundsheet_at;
  const auto& styles = book.Formats();
  std::size_t active = std::min(book.ActiveSheet(), book.SheetCount() - 1);
  for (const auto& item : book.Globals()) {
    std::vector<std::uint8_t> d;
    switch (item.slot) {
      case workbook::GlobalSlot::kNone:
        globals.Put(item.record);
        break;
      case workbook::GlobalSlot::kFonts:
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
          AppendUnicode(d, f.name, true);
          globals.Put(rt::kFont, d);
        }
        break;
      case workbook::GlobalSlot::kFormats:
        for (const auto& [index, code] : styles.Formats()) {
          d.clear();
          Append16(d, index);
          AppendUnicode(d, code, false);
          globals.Put(workbook::Record{rt::kFormat, d});
        }
        break;
      case workbook::GlobalSlot::kXfs:
        for (const auto& xf : styles.Xfs()) globals.Put(rt::kXf, xf.Bytes());
        break;
      case workbook::GlobalSlot::kPalette:
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
        break;
      case workbook::GlobalSlot::kBoundSheets:
        for (std::size_t i = 0; i < book.SheetCount(); ++i) {
          const auto& sheet = book.SheetAt(i);
          d.clear();
          Append32(d, 0);
          Append16(d, sheet.BoundSheetFlags());
          AppendUnicode(d, sheet.Name(), true);
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
      case workbook::GlobalSlot::kSharedStrings:
        strings.Write(globals);
        break;
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
      case workbook::GlobalSlot::kTabIds:
        for (std::size_t i = 0; i < book.SheetCount(); ++i) Append16(d, static_cast<std::uint32_t>(i + 1));
        globals.Put(workbook::Record{rt::kTabId, d});
        break;
    }
  }

  std::vector<std::uint8_t> stream = std::move(globals.bytes);
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    const auto& sheet = book.SheetAt(i);
    Put32(stream, boundsheet_at[i], static_cast<std::uint32_t>(stream.size()));
    Sink out;
    if (sheet.IsWorksheet()) {
      SheetWriter(sheet, strings, i == active, plan.dg_id[i], plan.spid_base[i]).Write(out);
    } else {
      for (const auto& item : sheet.Items()) {
        if (item.record.type == rt::kWindow2 && item.record.data.size() >= 2) {
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
  return stream;
}

void WriteWorkbook(const workbook::Workbook& book, const std::string& path) {
  CheckLimits(book);
  std::vector<std::uint8_t> stream = WriteWorkbookStream(book);
  std::string dir = ".";
  std::string base = path;
  std::size_t slash = path.rfind('/');
  if (slash != std::string::npos) {
    dir = slash == 0 ? "/" : path.substr(0, slash);
    base = path.substr(slash + 1);
  }
  std::string temp_pattern = (dir == "/" ? "" : dir) + "/." + base + ".XXXXXX";
  std::vector<char> temp(temp_pattern.begin(), temp_pattern.end());
  temp.push_back('\0');
  int fd = mkstemp(temp.data());
  if (fd < 0) throw Error(errors::kFile, "Не удалось создать временный файл рядом с " + path);
  close(fd);
  std::string temp_path(temp.data());
  try {
    WriteCompound(temp_path, stream, book.OtherStreams(), book.RootClsid());
  } catch (...) {
    std::remove(temp_path.c_str());
    throw;
  }
  // mkstemp makes the file private; a saved workbook gets the usual mode.
  mode_t mask = umask(0);
  umask(mask);
  chmod(temp_path.c_str(), 0666 & ~mask);
  if (std::rename(temp_path.c_str(), path.c_str()) != 0) {
    std::remove(temp_path.c_str());
    throw Error(errors::kFile, "Не удалось записать файл " + path);
  }
}

}  // namespace quorlex::biff8
