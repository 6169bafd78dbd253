#include "automation/workbook/cells.h"

#include <algorithm>
#include <bit>

#include "automation/workbook/ptg.h"
#include "automation/workbook/record.h"
#include "platform/error.h"
#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

using platform::Get16;

namespace {

void PutVarint(std::string& out, std::uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<char>((v & 0x7F) | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<char>(v));
}

std::uint64_t GetVarint(std::string_view in, std::size_t& at) {
  std::uint64_t v = 0;
  int shift = 0;
  while (at < in.size() && shift < 64) {
    auto b = static_cast<std::uint8_t>(in[at++]);
    v |= static_cast<std::uint64_t>(b & 0x7F) << shift;
    if ((b & 0x80) == 0) break;
    shift += 7;
  }
  return v;
}

std::string_view GetChunk(std::string_view in, std::size_t& at) {
  std::uint64_t n = GetVarint(in, at);
  if (n > in.size() - std::min(at, in.size())) n = in.size() - std::min(at, in.size());
  std::string_view s = in.substr(at, static_cast<std::size_t>(n));
  at += static_cast<std::size_t>(n);
  return s;
}

void PutChunk(std::string& out, std::string_view s) {
  PutVarint(out, s.size());
  out.append(s);
}

std::string_view AsView(const std::vector<std::uint8_t>& v) {
  return {reinterpret_cast<const char*>(v.data()), v.size()};
}

std::vector<std::uint8_t> AsBytes(std::string_view s) { return {s.begin(), s.end()}; }

}  // namespace

std::string FormulaBody::Encode() const {
  std::string out;
  PutChunk(out, AsView(record));
  PutChunk(out, cached_text);
  PutVarint(out, attached.size());
  for (const Attached& a : attached) {
    PutVarint(out, a.type);
    PutChunk(out, AsView(a.data));
  }
  return out;
}

FormulaBody FormulaBody::Decode(std::string_view blob) {
  FormulaBody body;
  std::size_t at = 0;
  body.record = AsBytes(GetChunk(blob, at));
  body.cached_text = std::string(GetChunk(blob, at));
  std::uint64_t n = GetVarint(blob, at);
  for (std::uint64_t i = 0; i < n && at < blob.size(); ++i) {
    Attached a;
    a.type = static_cast<std::uint16_t>(GetVarint(blob, at));
    a.data = AsBytes(GetChunk(blob, at));
    body.attached.push_back(std::move(a));
  }
  return body;
}

void CellStore::Grow(std::uint32_t r) {
  if (r >= rows_.size()) rows_.resize(static_cast<std::size_t>(r) + 1);
}

RowInfo& CellStore::MutableRowInfo(std::uint32_t r) {
  Grow(r);
  return rows_[r].info;
}

const Cell* CellStore::Find(std::uint32_t r, std::uint16_t c) const {
  if (r >= rows_.size()) return nullptr;
  const auto& cells = rows_[r].cells;
  auto it = std::lower_bound(cells.begin(), cells.end(), c,
                             [](const Cell& a, std::uint16_t col) { return a.col < col; });
  if (it == cells.end() || it->col != c) return nullptr;
  return &*it;
}

void CellStore::PushOrPlace(Row& row, const Cell& cell) {
  auto& cells = row.cells;
  if (cells.empty() || cells.back().col < cell.col) {
    cells.push_back(cell);
    return;
  }
  auto it = std::lower_bound(cells.begin(), cells.end(), cell.col,
                             [](const Cell& a, std::uint16_t col) { return a.col < col; });
  if (it != cells.end() && it->col == cell.col) {
    *it = cell;
  } else {
    cells.insert(it, cell);
  }
}

Cell& CellStore::Place(std::uint32_t r, std::uint16_t c) {
  Grow(r);
  auto& cells = rows_[r].cells;
  if (cells.empty() || cells.back().col < c) {
    Cell cell;
    cell.col = c;
    cells.push_back(cell);
    return cells.back();
  }
  auto it = std::lower_bound(cells.begin(), cells.end(), c,
                             [](const Cell& a, std::uint16_t col) { return a.col < col; });
  if (it != cells.end() && it->col == c) return *it;
  Cell cell;
  cell.col = c;
  return *cells.insert(it, cell);
}

void CellStore::NoteFormula(const Cell& cell) {
  formulas_ = true;
  if (sheet_formulas_) return;
  const FormulaBody body = FormulaBody::Decode(Blob(cell));
  auto names_sheets = [](const std::vector<std::uint8_t>& record, std::size_t at) {
    if (at + 2 > record.size()) return false;
    const std::size_t length = std::min<std::size_t>(Get16(record, at), record.size() - at - 2);
    return NamesSheets(std::span<const std::uint8_t>(record).subspan(at + 2, length));
  };
  constexpr std::size_t kCellFormulaAt = 14;   // FORMULA from its value field
  constexpr std::size_t kArrayFormulaAt = 12;  // ARRAY
  constexpr std::uint16_t kArray = 0x0221;
  sheet_formulas_ = names_sheets(body.record, kCellFormulaAt);
  for (const auto& a : body.attached) {
    if (a.type == kArray && names_sheets(a.data, kArrayFormulaAt)) sheet_formulas_ = true;
  }
}

void CellStore::Touch(std::uint32_t r, const Cell& cell) {
  if (cell.kind == CellKind::kFormula) NoteFormula(cell);
  if (!used_known_ || !IsUsed(cell)) return;
  if (used_empty_) {
    used_ = {r, r, cell.col, cell.col};
    used_empty_ = false;
    return;
  }
  used_.first_row = std::min(used_.first_row, r);
  used_.last_row = std::max(used_.last_row, r);
  used_.first_col = std::min(used_.first_col, cell.col);
  used_.last_col = std::max(used_.last_col, cell.col);
}

void CellStore::Untouch(std::uint32_t r, std::uint16_t c) {
  // Only a cell on the edge of the box can shrink it.
  if (!used_known_ || used_empty_) return;
  if (r == used_.first_row || r == used_.last_row || c == used_.first_col || c == used_.last_col)
    used_known_ = false;
}

std::uint64_t CellStore::StoreText(std::string_view text) {
  std::uint64_t at = arena_.size();
  PutChunk(arena_, text);
  return at;
}

void CellStore::SetNumber(std::uint32_t r, std::uint16_t c, double value) {
  Cell& cell = Place(r, c);
  cell.kind = CellKind::kNumber;
  cell.payload = std::bit_cast<std::uint64_t>(value);
  Touch(r, cell);
}

void CellStore::SetText(std::uint32_t r, std::uint16_t c, std::string_view text) {
  std::uint64_t at = StoreText(text);
  Cell& cell = Place(r, c);
  cell.kind = CellKind::kText;
  cell.payload = at;
  Touch(r, cell);
}

std::uint64_t CellStore::StoreRichText(std::string_view text, std::string_view runs) {
  std::uint64_t at = arena_.size();
  PutChunk(arena_, text);
  PutChunk(arena_, runs);
  return at;
}

void CellStore::SetRichText(std::uint32_t r, std::uint16_t c, std::string_view text,
                            std::string_view runs) {
  std::uint64_t at = runs.empty() ? StoreText(text) : StoreRichText(text, runs);
  Cell& cell = Place(r, c);
  cell.kind = runs.empty() ? CellKind::kText : CellKind::kRichText;
  cell.payload = at;
  Touch(r, cell);
}

void CellStore::SetBoolean(std::uint32_t r, std::uint16_t c, bool value) {
  Cell& cell = Place(r, c);
  cell.kind = CellKind::kBoolean;
  cell.payload = value ? 1 : 0;
  Touch(r, cell);
}

void CellStore::SetError(std::uint32_t r, std::uint16_t c, std::uint8_t code) {
  Cell& cell = Place(r, c);
  cell.kind = CellKind::kError;
  cell.payload = code;
  Touch(r, cell);
}

void CellStore::SetFormula(std::uint32_t r, std::uint16_t c, const FormulaBody& body) {
  std::uint64_t at = StoreText(body.Encode());
  Cell& cell = Place(r, c);
  cell.kind = CellKind::kFormula;
  cell.payload = at;
  Touch(r, cell);
}

void CellStore::ClearValue(std::uint32_t r, std::uint16_t c) {
  if (r >= rows_.size()) return;
  auto& cells = rows_[r].cells;
  auto it = std::lower_bound(cells.begin(), cells.end(), c,
                             [](const Cell& a, std::uint16_t col) { return a.col < col; });
  if (it == cells.end() || it->col != c) return;
  it->kind = CellKind::kBlank;
  it->payload = 0;
  if (it->xf == kDefaultXf) {
    cells.erase(it);
    Untouch(r, c);
  }
}

void CellStore::SetXf(std::uint32_t r, std::uint16_t c, std::uint16_t xf) {
  if (xf == kDefaultXf) {
    const Cell* existing = Find(r, c);
    if (existing == nullptr) return;
    if (existing->kind == CellKind::kBlank) {
      auto& cells = rows_[r].cells;
      cells.erase(cells.begin() + (existing - cells.data()));
      Untouch(r, c);
      return;
    }
  }
  Cell& cell = Place(r, c);
  cell.xf = xf;
  Touch(r, cell);
}

std::uint16_t CellStore::XfOf(std::uint32_t r, std::uint16_t c) const {
  const Cell* cell = Find(r, c);
  return cell == nullptr ? kDefaultXf : cell->xf;
}

double CellStore::Number(const Cell& cell) const { return std::bit_cast<double>(cell.payload); }

std::string_view CellStore::Text(const Cell& cell) const {
  if (!IsText(cell.kind)) return {};
  std::size_t at = static_cast<std::size_t>(cell.payload);
  if (at >= arena_.size()) return {};
  return GetChunk(arena_, at);
}

std::string_view CellStore::Runs(const Cell& cell) const {
  if (cell.kind != CellKind::kRichText) return {};
  std::size_t at = static_cast<std::size_t>(cell.payload);
  if (at >= arena_.size()) return {};
  GetChunk(arena_, at);
  return GetChunk(arena_, at);
}

std::string_view CellStore::Blob(const Cell& cell) const {
  if (cell.kind != CellKind::kFormula) return {};
  std::size_t at = static_cast<std::size_t>(cell.payload);
  if (at >= arena_.size()) return {};
  return GetChunk(arena_, at);
}

bool CellStore::UsedArea(Area& area) const {
  if (!used_known_) {
    used_empty_ = true;
    for (std::uint32_t r = 0; r < rows_.size(); ++r) {
      for (const Cell& cell : rows_[r].cells) {
        if (!IsUsed(cell)) continue;
        if (used_empty_) {
          used_ = {r, r, cell.col, cell.col};
          used_empty_ = false;
        } else {
          used_.last_row = r;
          used_.first_col = std::min(used_.first_col, cell.col);
          used_.last_col = std::max(used_.last_col, cell.col);
        }
      }
    }
    used_known_ = true;
  }
  if (used_empty_) return false;
  area = used_;
  return true;
}

void CellStore::DeleteRows(std::uint32_t first, std::uint32_t count) {
  if (first >= rows_.size() || count == 0) return;
  std::size_t last = std::min<std::size_t>(rows_.size(), static_cast<std::size_t>(first) + count);
  rows_.erase(rows_.begin() + first, rows_.begin() + static_cast<std::ptrdiff_t>(last));
  // The box only moves when the band lies wholly outside it.
  if (used_known_ && !used_empty_) {
    std::uint64_t end = static_cast<std::uint64_t>(first) + count;
    if (end <= used_.first_row) {
      used_.first_row -= count;
      used_.last_row -= count;
    } else if (first <= used_.last_row) {
      used_known_ = false;
    }
  }
}

Cell CellStore::CopyCellFrom(const CellStore& other, const Cell& cell) {
  Cell copy = cell;
  if (cell.kind == CellKind::kText) {
    copy.payload = StoreText(other.Text(cell));
  } else if (cell.kind == CellKind::kRichText) {
    copy.payload = StoreRichText(other.Text(cell), other.Runs(cell));
  } else if (cell.kind == CellKind::kFormula) {
    copy.payload = StoreText(other.Blob(cell));
  }
  return copy;
}

CellStore CellStore::CopyRows(std::uint32_t first, std::uint32_t last) const {
  CellStore copy;
  if (first >= rows_.size() || last < first) return copy;
  last = std::min<std::uint32_t>(last, static_cast<std::uint32_t>(rows_.size() - 1));
  copy.rows_.resize(static_cast<std::size_t>(last - first) + 1);
  for (std::uint32_t r = first; r <= last; ++r) {
    const Row& from = rows_[r];
    Row& to = copy.rows_[r - first];
    to.info = from.info;
    to.cells.reserve(from.cells.size());
    for (const Cell& cell : from.cells)
      to.cells.push_back(copy.CopyCellFrom(*this, cell));
  }
  copy.used_known_ = false;
  copy.formulas_ = formulas_;
  copy.sheet_formulas_ = sheet_formulas_;
  return copy;
}

void CellStore::MoveRowsFrom(CellStore& source, std::uint32_t first, std::uint32_t last,
                             std::uint32_t to) {
  if (&source == this)
    throw Error(errors::kSpreadsheet, "Перенос строк внутри одного листа не поддерживается");
  for (std::uint32_t r = first; r <= last && r < source.rows_.size(); ++r) {
    std::uint32_t target = to + (r - first);
    Grow(target);
    Row& dst = rows_[target];
    dst.cells.clear();
    for (const Cell& cell : source.rows_[r].cells)
      dst.cells.push_back(CopyCellFrom(source, cell));
    dst.info = source.rows_[r].info;
    source.rows_[r].cells.clear();
  }
  used_known_ = false;
  source.used_known_ = false;
  formulas_ = formulas_ || source.formulas_;
  sheet_formulas_ = sheet_formulas_ || source.sheet_formulas_;
}

std::size_t CellStore::MemoryBytes() const {
  std::size_t bytes = rows_.capacity() * sizeof(Row) + arena_.capacity();
  for (const Row& row : rows_)
    bytes += row.cells.capacity() * sizeof(Cell);
  return bytes;
}

namespace {

constexpr std::pair<std::uint8_t, std::string_view> kErrors[] = {
    {0x00, "#NULL!"}, {0x07, "#DIV/0!"}, {0x0F, "#VALUE!"}, {0x17, "#REF!"},
    {0x1D, "#NAME?"}, {0x24, "#NUM!"},   {0x2A, "#N/A"}};

}  // namespace

std::string_view ErrorText(std::uint8_t code) {
  for (const auto& [c, text] : kErrors) {
    if (c == code) return text;
  }
  return "#N/A";
}

std::uint8_t ErrorCode(std::string_view text) {
  for (const auto& [c, t] : kErrors) {
    if (t == text) return c;
  }
  return 0x2A;
}

}  // namespace quorlex::automation::workbook
