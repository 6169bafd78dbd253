#include "automation/workbook/sheet.h"

#include <algorithm>

#include "platform/little_endian.h"
#include "platform/text.h"

namespace quorlex::automation::workbook {

namespace {

// Shifts an area for deleted rows [first, end); false when it disappears.
bool ShiftArea(Area& a, std::uint32_t first, std::uint64_t end, std::uint32_t count) {
  if (a.first_row >= end) {
    a.first_row -= count;
    a.last_row -= count;
    return true;
  }
  if (a.last_row < first) return true;
  // The area meets the band: what is left of it closes up.
  std::uint32_t above = a.first_row < first ? first - a.first_row : 0;
  std::uint64_t below = a.last_row >= end ? a.last_row - end + 1 : 0;
  std::uint64_t rows = above + below;
  if (rows == 0) return false;
  a.first_row = std::min(a.first_row, first);
  a.last_row = static_cast<std::uint32_t>(a.first_row + rows - 1);
  return true;
}

}  // namespace

Sheet::Sheet(SheetKind kind, std::string name) : kind_(kind) { SetNameUnchecked(std::move(name)); }

void Sheet::SetNameUnchecked(std::string name) {
  name_ = std::move(name);
  name_key_ = platform::Upper(name_);
}

std::uint16_t Sheet::DefaultRowHeight() const {
  constexpr std::uint16_t kDefaultRowHeightRecord = 0x0225;
  for (const auto& item : items_) {
    if (item.slot == Slot::kNone && item.record.type == kDefaultRowHeightRecord &&
        item.record.data.size() >= 4) {
      return platform::Get16(item.record.data, 2);
    }
  }
  return 0x00FF;
}

std::uint16_t Sheet::ColumnWidthUnits(std::uint16_t col) const {
  for (const ColumnInfo& c : columns_) {
    if (col >= c.first && col <= c.last) return c.width;
  }
  // Excel's default width: characters of the standard font plus padding,
  // rounded up to 8 pixels, for a 7-pixel digit.
  std::uint32_t pixels = default_col_width_ * 7u + 5u;
  pixels = (pixels + 7u) / 8u * 8u;
  return static_cast<std::uint16_t>(std::min<std::uint32_t>(pixels * 256u / 7u, 0xFFFF));
}

void Sheet::AddMerge(const Area& area) {
  std::erase_if(merges_, [&](const Area& m) {
    return !(m.last_row < area.first_row || m.first_row > area.last_row ||
             m.last_col < area.first_col || m.first_col > area.last_col);
  });
  merges_.push_back(area);
}

void Sheet::DeleteRows(std::uint32_t first, std::uint32_t count) {
  if (count == 0) return;
  std::uint64_t end = static_cast<std::uint64_t>(first) + count;
  cells_.DeleteRows(first, count);
  std::vector<Area> kept;
  for (Area a : merges_) {
    if (ShiftArea(a, first, end, count) && (a.first_row != a.last_row || a.first_col != a.last_col))
      kept.push_back(a);
  }
  merges_ = std::move(kept);
  std::vector<Hyperlink> links;
  for (Hyperlink& h : hyperlinks_) {
    if (ShiftArea(h.area, first, end, count)) links.push_back(std::move(h));
  }
  hyperlinks_ = std::move(links);
  drawing_.DeleteRows(first, count);
  if (active_cell_ && active_cell_->first >= end)
    active_cell_->first -= count;
  else if (active_cell_ && active_cell_->first >= first)
    active_cell_->first = first;
}

void Sheet::CopySettingsFrom(const Sheet& other) {
  boundsheet_flags_ = other.boundsheet_flags_;
  items_ = other.items_;
  default_col_width_ = other.default_col_width_;
  has_default_col_width_ = other.has_default_col_width_;
  columns_ = other.columns_;
  active_cell_ = other.active_cell_;
  markup_ = other.markup_;
}

std::unique_ptr<Sheet> Sheet::Clone() const {
  auto copy = std::make_unique<Sheet>(kind_, name_);
  copy->CopySettingsFrom(*this);
  copy->cells_ = cells_;
  copy->merges_ = merges_;
  copy->drawing_ = drawing_;
  copy->hyperlinks_ = hyperlinks_;
  return copy;
}

std::unique_ptr<Sheet> Sheet::CloneRows(std::uint32_t first, std::uint32_t last) const {
  auto copy = std::make_unique<Sheet>(kind_, name_);
  copy->CopySettingsFrom(*this);
  copy->active_cell_.reset();
  copy->cells_ = cells_.CopyRows(first, last);
  std::uint32_t below = last + 1;
  for (Area a : merges_) {
    // Areas wholly outside the band vanish; a sheet copied once per block
    // meets every merge of the page each time, so this test stays cheap.
    if (a.last_row < first || a.first_row > last) continue;
    // As if the rows below the band and then those above were deleted.
    if (!ShiftArea(a, below, UINT64_MAX, UINT32_MAX - below)) continue;
    if (!ShiftArea(a, 0, first, first)) continue;
    if (a.first_row != a.last_row || a.first_col != a.last_col) copy->merges_.push_back(a);
  }
  for (const Hyperlink& link : hyperlinks_) {
    if (link.area.last_row < first || link.area.first_row > last) continue;
    Hyperlink h = link;
    if (!ShiftArea(h.area, below, UINT64_MAX, UINT32_MAX - below)) continue;
    if (!ShiftArea(h.area, 0, first, first)) continue;
    copy->hyperlinks_.push_back(std::move(h));
  }
  // Shapes are few; copy them all and cut as the deletions would.
  copy->drawing_ = drawing_;
  copy->drawing_.DeleteRows(below, UINT32_MAX - below);
  copy->drawing_.DeleteRows(0, first);
  return copy;
}

void Sheet::MoveRowsFrom(Sheet& source, std::uint32_t first, std::uint32_t last, std::uint32_t to) {
  cells_.MoveRowsFrom(source.cells_, first, last, to);
  std::uint32_t rows = last - first + 1;
  std::erase_if(merges_,
                [&](const Area& m) { return m.last_row >= to && m.first_row < to + rows; });
  std::vector<Area> kept;
  for (const Area& m : source.merges_) {
    if (m.first_row >= first && m.last_row <= last) {
      Area moved = m;
      moved.first_row = m.first_row - first + to;
      moved.last_row = m.last_row - first + to;
      merges_.push_back(moved);
    } else {
      kept.push_back(m);
    }
  }
  source.merges_ = std::move(kept);
  std::vector<Hyperlink> links;
  for (Hyperlink& h : source.hyperlinks_) {
    if (h.area.first_row >= first && h.area.last_row <= last) {
      Hyperlink moved = std::move(h);
      moved.area.first_row = moved.area.first_row - first + to;
      moved.area.last_row = moved.area.last_row - first + to;
      hyperlinks_.push_back(std::move(moved));
    } else {
      links.push_back(std::move(h));
    }
  }
  source.hyperlinks_ = std::move(links);
  drawing_.PutNotes(source.drawing_.TakeNotes(first, last), to);
}

}  // namespace quorlex::automation::workbook
