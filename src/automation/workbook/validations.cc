#include "automation/workbook/validations.h"

#include <algorithm>

#include "automation/workbook/sqref.h"
#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

using platform::Append16;
using platform::Get16;
using platform::Get32;
using platform::Put32;

namespace {

constexpr std::uint16_t kDval = 0x01B2;
constexpr std::uint16_t kDv = 0x01BE;
constexpr std::uint16_t kEof = 0x000A;

// DVAL: flags, position of the prompt box, drop-down object id, rule count.
constexpr std::size_t kDvalObjectAt = 10;
constexpr std::size_t kDvalCountAt = 14;
constexpr std::size_t kDvalSize = 18;
constexpr std::uint32_t kNoObject = 0xFFFFFFFF;
// DV: flags, four strings (prompt title, error title, prompt, error), two
// formulas (length, two unused bytes, tokens), then the cell list.
constexpr std::size_t kDvStringsAt = 4;
constexpr std::size_t kDvStrings = 4;
constexpr std::uint8_t kWideChars = 0x01;

// Offsets of a DV's two formulas and of its cell list.
struct DvLayout {
  std::size_t formula1 = 0;  // at the formula's length field
  std::size_t formula2 = 0;
  std::size_t sqref = 0;
  bool ok = false;
};

DvLayout Layout(const std::vector<std::uint8_t>& d) {
  DvLayout l;
  std::size_t at = kDvStringsAt;
  for (std::size_t i = 0; i < kDvStrings; ++i) {
    if (at + 3 > d.size()) return l;
    const std::size_t chars = Get16(d, at);
    at += 3 + chars * ((d[at + 2] & kWideChars) != 0 ? 2 : 1);
  }
  l.formula1 = at;
  if (at + 4 > d.size()) return l;
  at += 4 + static_cast<std::size_t>(Get16(d, at));
  l.formula2 = at;
  if (at + 4 > d.size()) return l;
  at += 4 + static_cast<std::size_t>(Get16(d, at));
  l.sqref = at;
  l.ok = at + 2 <= d.size();
  return l;
}

// The DV with its formulas edited for `site` and its cells set to `areas`.
Record Rewrite(const Record& dv, const DvLayout& l, const FormulaSite& site, const RowEdit& edit,
               SheetIndex& sheets, const std::vector<Area>& areas) {
  const auto& d = dv.data;
  Record out{dv.type, {d.begin(), d.begin() + static_cast<std::ptrdiff_t>(l.formula1)}};
  for (std::size_t at : {l.formula1, l.formula2}) {
    const std::size_t length = Get16(d, at);
    std::vector<std::uint8_t> rgce(d.begin() + static_cast<std::ptrdiff_t>(at + 4),
                                   d.begin() + static_cast<std::ptrdiff_t>(at + 4 + length));
    EditFormulaRows(rgce, site, edit, sheets);
    Append16(out.data, static_cast<std::uint32_t>(rgce.size()));
    out.data.push_back(d[at + 2]);
    out.data.push_back(d[at + 3]);
    out.data.insert(out.data.end(), rgce.begin(), rgce.end());
  }
  AppendSqref(out.data, areas);
  return out;
}

bool IsKept(const SheetItem& item, std::uint16_t type) {
  return item.slot == Slot::kNone && item.record.type == type;
}

}  // namespace

void EditValidations(std::vector<SheetItem>& items, std::size_t sheet, const RowEdit& edit,
                     SheetIndex& sheets, std::vector<Record>& moved) {
  if (!edit.Touches(sheet)) return;
  if (std::none_of(items.begin(), items.end(), [](const SheetItem& i) { return IsKept(i, kDv); }))
    return;
  std::vector<SheetItem> out;
  out.reserve(items.size());
  std::size_t removed = 0;
  for (SheetItem& item : items) {
    if (!IsKept(item, kDv)) {
      out.push_back(std::move(item));
      continue;
    }
    const DvLayout l = Layout(item.record.data);
    if (!l.ok) {
      out.push_back(std::move(item));
      continue;
    }
    const std::vector<Area> areas = ReadSqref(item.record.data, l.sqref);
    if (areas.empty()) {
      out.push_back(std::move(item));
      continue;
    }
    const Area before = BoundingArea(areas);
    const AreaSplit split = edit.ApplyToCells(sheet, areas, kLastFormulaRow);
    auto site = [&](std::size_t new_sheet, const std::vector<Area>& after) {
      const Area box = BoundingArea(after);
      FormulaSite s;
      s.sheet = sheet;
      s.new_sheet = new_sheet;
      s.base_row = before.first_row;
      s.base_col = before.first_col;
      s.new_base_row = box.first_row;
      s.new_base_col = box.first_col;
      s.can_name_sheets = false;
      return s;
    };
    if (split.stay.empty()) {
      ++removed;
    } else {
      out.push_back({Slot::kNone,
                     Rewrite(item.record, l, site(sheet, split.stay), edit, sheets, split.stay)});
    }
    if (!split.moved.empty()) {
      moved.push_back(Rewrite(item.record, l, site(edit.TargetSheet(), split.moved), edit, sheets,
                              split.moved));
    }
  }
  if (removed > 0) {
    for (SheetItem& item : out) {
      if (IsKept(item, kDval))
        Put32(item.record.data, kDvalCountAt,
              Get32(item.record.data, kDvalCountAt) - static_cast<std::uint32_t>(removed));
    }
  }
  items = std::move(out);
}

void AddValidations(std::vector<SheetItem>& items, std::vector<Record> rules) {
  if (rules.empty()) return;
  auto header =
      std::find_if(items.begin(), items.end(), [](const SheetItem& i) { return IsKept(i, kDval); });
  if (header == items.end()) {
    // Excel writes the validations after the hyperlinks.
    auto at = std::find_if(items.begin(), items.end(),
                           [](const SheetItem& i) { return i.slot == Slot::kHyperlinks; });
    if (at != items.end()) {
      ++at;
    } else {
      at = std::find_if(items.begin(), items.end(),
                        [](const SheetItem& i) { return IsKept(i, kEof); });
    }
    Record dval{kDval, std::vector<std::uint8_t>(kDvalSize, 0)};
    Put32(dval.data, kDvalObjectAt, kNoObject);
    header = items.insert(at, SheetItem{Slot::kNone, std::move(dval)});
  }
  Put32(header->record.data, kDvalCountAt,
        Get32(header->record.data, kDvalCountAt) + static_cast<std::uint32_t>(rules.size()));
  auto last = header + 1;
  while (last != items.end() && IsKept(*last, kDv))
    ++last;
  std::vector<SheetItem> added;
  for (Record& r : rules)
    added.push_back({Slot::kNone, std::move(r)});
  items.insert(last, std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
}

}  // namespace quorlex::automation::workbook
