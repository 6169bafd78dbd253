#include "automation/workbook/row_edit.h"

#include <algorithm>

namespace quorlex::automation::workbook {

namespace {

// The rows of [first, last] outside [band_first, band_last]: up to two parts.
void PartsOutside(const Area& a, std::uint32_t band_first, std::uint32_t band_last,
                  std::vector<Area>& out) {
  if (a.last_row < band_first || a.first_row > band_last) {
    out.push_back(a);
    return;
  }
  if (a.first_row < band_first) {
    Area above = a;
    above.last_row = band_first - 1;
    out.push_back(above);
  }
  if (a.last_row > band_last) {
    Area below = a;
    below.first_row = band_last + 1;
    out.push_back(below);
  }
}

}  // namespace

RowEdit RowEdit::Deletion(std::size_t sheet, std::uint32_t first, std::uint32_t count) {
  RowEdit e;
  e.deletion_ = true;
  e.sheet_ = sheet;
  e.first_ = first;
  e.last_ = count == 0 ? first
                       : static_cast<std::uint32_t>(std::min<std::uint64_t>(
                             static_cast<std::uint64_t>(first) + count - 1, UINT32_MAX));
  if (count == 0) e.first_ = e.last_ + 1;  // an empty band: nothing matches
  return e;
}

RowEdit RowEdit::Move(std::size_t from, std::uint32_t first, std::uint32_t last, std::size_t to,
                      std::uint32_t to_row) {
  RowEdit e;
  e.deletion_ = false;
  e.sheet_ = from;
  e.first_ = first;
  e.last_ = last;
  e.to_sheet_ = to;
  e.to_row_ = to_row;
  return e;
}

std::optional<RowSpan> RowEdit::Apply(const RowSpan& span, std::uint32_t last_row) const {
  if (first_ > last_) return span;
  if (deletion_) {
    if (span.sheet != sheet_ || span.last < first_) return span;
    if (span.first == 0 && span.last >= last_row) return span;
    const std::uint32_t count = last_ - first_ + 1;
    RowSpan out = span;
    if (span.first > last_) {
      out.first -= count;
      out.last -= count;
      return out;
    }
    // The span meets the band: what is left of it closes up.
    const std::uint32_t above = span.first < first_ ? first_ - span.first : 0;
    const std::uint32_t below = span.last > last_ ? span.last - last_ : 0;
    if (above + below == 0) return std::nullopt;
    out.first = std::min(span.first, first_);
    out.last = out.first + above + below - 1;
    return out;
  }
  const std::uint32_t rows = last_ - first_;
  if (span.sheet == sheet_ && span.first >= first_ && span.last <= last_) {
    return RowSpan{to_sheet_, span.first - first_ + to_row_, span.last - first_ + to_row_};
  }
  if (span.sheet == to_sheet_ && span.first >= to_row_ && span.last <= to_row_ + rows)
    return std::nullopt;
  return span;
}

std::optional<RowSpan> RowEdit::CellAfter(std::size_t sheet, std::uint32_t row) const {
  RowSpan cell{sheet, row, row};
  if (deletion_ || sheet != to_sheet_ || sheet == sheet_) return Apply(cell, UINT32_MAX);
  // A cell of the target sheet that the paste covers is gone.
  if (row >= to_row_ && row <= to_row_ + (last_ - first_)) return std::nullopt;
  return cell;
}

AreaSplit RowEdit::ApplyToCells(std::size_t sheet, const std::vector<Area>& areas,
                                std::uint32_t last_row) const {
  AreaSplit out;
  if (first_ > last_ || !Touches(sheet)) {
    out.stay = areas;
    return out;
  }
  for (const Area& a : areas) {
    if (deletion_) {
      auto span = Apply(RowSpan{sheet, a.first_row, a.last_row}, last_row);
      if (!span) continue;
      Area kept = a;
      kept.first_row = span->first;
      kept.last_row = span->last;
      out.stay.push_back(kept);
      continue;
    }
    if (sheet == sheet_) {
      PartsOutside(a, first_, last_, out.stay);
      if (a.last_row >= first_ && a.first_row <= last_) {
        Area moved = a;
        moved.first_row = std::max(a.first_row, first_) - first_ + to_row_;
        moved.last_row = std::min(a.last_row, last_) - first_ + to_row_;
        out.moved.push_back(moved);
      }
    } else {
      PartsOutside(a, to_row_, to_row_ + (last_ - first_), out.stay);
    }
  }
  return out;
}

}  // namespace quorlex::automation::workbook
