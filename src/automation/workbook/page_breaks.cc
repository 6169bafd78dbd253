#include "automation/workbook/page_breaks.h"

#include <algorithm>

#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

using platform::Append16;
using platform::Get16;
using platform::Put16;

namespace {

constexpr std::uint16_t kHorizontalPageBreaks = 0x001B;
constexpr std::size_t kBreakSize = 6;  // row, first column, last column

}  // namespace

void EditPageBreaks(std::vector<SheetItem>& items, std::size_t sheet, const RowEdit& edit) {
  if (!edit.IsDeletion() || edit.Sheet() != sheet) return;
  for (auto it = items.begin(); it != items.end();) {
    if (it->slot != Slot::kNone || it->record.type != kHorizontalPageBreaks) {
      ++it;
      continue;
    }
    const auto& d = it->record.data;
    std::vector<std::uint8_t> out(2);
    std::size_t kept = 0;
    std::uint32_t previous = 0;
    const std::size_t count = Get16(d, 0);
    for (std::size_t i = 0; i < count && 2 + (i + 1) * kBreakSize <= d.size(); ++i) {
      const std::size_t at = 2 + i * kBreakSize;
      auto row = edit.CellAfter(sheet, Get16(d, at));
      // A break before the first row, or twice before one row, is no break.
      if (!row || row->first == 0 || (kept > 0 && row->first == previous)) continue;
      previous = row->first;
      Append16(out, row->first);
      out.insert(out.end(), d.begin() + static_cast<std::ptrdiff_t>(at + 2),
                 d.begin() + static_cast<std::ptrdiff_t>(at + kBreakSize));
      ++kept;
    }
    if (kept == 0) {
      it = items.erase(it);
      continue;
    }
    Put16(out, 0, static_cast<std::uint32_t>(kept));
    it->record.data = std::move(out);
    ++it;
  }
}

}  // namespace quorlex::automation::workbook
