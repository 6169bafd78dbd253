#include "automation/workbook/conditional_formats.h"

#include <map>
#include <utility>

#include "automation/workbook/sqref.h"
#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

using platform::Append16;
using platform::Get16;
using platform::Get32;
using platform::Put16;

namespace {

constexpr std::uint16_t kCondFmt = 0x01B0;
constexpr std::uint16_t kCf = 0x01B1;
constexpr std::uint16_t kCondFmt12 = 0x0879;
constexpr std::uint16_t kCf12 = 0x087A;
constexpr std::uint16_t kCfEx = 0x087B;

// Excel 2007 records start with a 12-byte future-record header whose last
// 8 bytes are an area.
constexpr std::size_t kFrtHeader = 12;
constexpr std::size_t kFrtAreaAt = 4;
// CONDFMT after its header: count, flags and id, bounding area, cell list.
constexpr std::size_t kIdAt = 2;
constexpr std::size_t kBoundAt = 4;
constexpr std::size_t kSqrefAt = 12;
// CF: type, operator, the two formula lengths; the formulas end the record.
constexpr std::size_t kCfLengthsAt = 2;
// CF12 after its header: type, operator, formula lengths, then DXFN12.
constexpr std::size_t kCf12DxfAt = kFrtHeader + 6;
constexpr std::size_t kEmptyDxfReserved = 2;
// CFEX after its header: whether it extends a CONDFMT12, then the id.
constexpr std::size_t kCfExIsCf12At = kFrtHeader;
constexpr std::size_t kCfExIdAt = kFrtHeader + 4;

using FormatKey = std::pair<bool, std::uint16_t>;  // (Excel 2007 form, id)

// Edits the formula of `length` bytes at `at`; returns its new bytes.
std::vector<std::uint8_t> EditPart(const std::vector<std::uint8_t>& d, std::size_t at,
                                   std::size_t length, const FormulaSite& site, const RowEdit& edit,
                                   SheetIndex& sheets) {
  std::vector<std::uint8_t> rgce(
      d.begin() + static_cast<std::ptrdiff_t>(std::min(at, d.size())),
      d.begin() + static_cast<std::ptrdiff_t>(std::min(at + length, d.size())));
  EditFormulaRows(rgce, site, edit, sheets);
  return rgce;
}

// A CF rule with its formulas edited.
Record EditCf(const Record& cf, const FormulaSite& site, const RowEdit& edit, SheetIndex& sheets) {
  const auto& d = cf.data;
  const std::size_t cce1 = Get16(d, kCfLengthsAt);
  const std::size_t cce2 = Get16(d, kCfLengthsAt + 2);
  if (cce1 + cce2 + kCfLengthsAt + 4 > d.size()) return cf;
  const std::size_t at1 = d.size() - cce1 - cce2;
  auto first = EditPart(d, at1, cce1, site, edit, sheets);
  auto second = EditPart(d, at1 + cce1, cce2, site, edit, sheets);
  Record out{cf.type, {d.begin(), d.begin() + static_cast<std::ptrdiff_t>(at1)}};
  Put16(out.data, kCfLengthsAt, static_cast<std::uint32_t>(first.size()));
  Put16(out.data, kCfLengthsAt + 2, static_cast<std::uint32_t>(second.size()));
  out.data.insert(out.data.end(), first.begin(), first.end());
  out.data.insert(out.data.end(), second.begin(), second.end());
  return out;
}

// A CF12 rule with its formulas (two conditions and the active one) edited.
Record EditCf12(const Record& cf, const FormulaSite& site, const RowEdit& edit,
                SheetIndex& sheets) {
  const auto& d = cf.data;
  if (d.size() < kCf12DxfAt + 4) return cf;
  const std::size_t cce1 = Get16(d, kFrtHeader + kCfLengthsAt);
  const std::size_t cce2 = Get16(d, kFrtHeader + kCfLengthsAt + 2);
  const std::size_t dxf = Get32(d, kCf12DxfAt);
  const std::size_t at1 = kCf12DxfAt + 4 + (dxf == 0 ? kEmptyDxfReserved : dxf);
  const std::size_t active_at = at1 + cce1 + cce2;
  if (active_at + 2 > d.size()) return cf;
  const std::size_t cce_active = Get16(d, active_at);
  if (active_at + 2 + cce_active > d.size()) return cf;
  auto first = EditPart(d, at1, cce1, site, edit, sheets);
  auto second = EditPart(d, at1 + cce1, cce2, site, edit, sheets);
  auto active = EditPart(d, active_at + 2, cce_active, site, edit, sheets);
  Record out{cf.type, {d.begin(), d.begin() + static_cast<std::ptrdiff_t>(at1)}};
  Put16(out.data, kFrtHeader + kCfLengthsAt, static_cast<std::uint32_t>(first.size()));
  Put16(out.data, kFrtHeader + kCfLengthsAt + 2, static_cast<std::uint32_t>(second.size()));
  out.data.insert(out.data.end(), first.begin(), first.end());
  out.data.insert(out.data.end(), second.begin(), second.end());
  Append16(out.data, static_cast<std::uint32_t>(active.size()));
  out.data.insert(out.data.end(), active.begin(), active.end());
  out.data.insert(out.data.end(),
                  d.begin() + static_cast<std::ptrdiff_t>(active_at + 2 + cce_active), d.end());
  return out;
}

// The CONDFMT (or CONDFMT12) header for `areas`.
Record FormatHeader(const Record& header, std::size_t base, const std::vector<Area>& areas) {
  Record out{
      header.type,
      {header.data.begin(), header.data.begin() + static_cast<std::ptrdiff_t>(base + kSqrefAt)}};
  const Area bound = BoundingArea(areas);
  PutRef8(out.data, base + kBoundAt, bound);
  if (base == kFrtHeader) PutRef8(out.data, kFrtAreaAt, bound);
  AppendSqref(out.data, areas);
  return out;
}

class FormatEditor {
 public:
  FormatEditor(std::size_t sheet, const RowEdit& edit, SheetIndex& sheets,
               std::vector<Record>& moved)
      : sheet_(sheet), edit_(edit), sheets_(sheets), moved_(moved) {}

  std::vector<SheetItem> Run(std::vector<SheetItem>& items) {
    std::vector<SheetItem> out;
    out.reserve(items.size());
    for (std::size_t i = 0; i < items.size();) {
      SheetItem& item = items[i];
      const bool kept = item.slot == Slot::kNone;
      if (kept && (item.record.type == kCondFmt || item.record.type == kCondFmt12)) {
        i = Block(items, i, out);
      } else if (kept && item.record.type == kCfEx) {
        Extension(item, out);
        ++i;
      } else {
        out.push_back(std::move(item));
        ++i;
      }
    }
    return out;
  }

 private:
  // A format and its rules from items[i]; returns the index after them.
  std::size_t Block(std::vector<SheetItem>& items, std::size_t i, std::vector<SheetItem>& out) {
    const Record header = items[i].record;
    const bool is12 = header.type == kCondFmt12;
    const std::size_t base = is12 ? kFrtHeader : 0;
    const std::uint16_t rule_type = is12 ? kCf12 : kCf;
    std::vector<Record> rules;
    std::size_t j = i + 1;
    while (j < items.size() && items[j].slot == Slot::kNone && items[j].record.type == rule_type) {
      rules.push_back(items[j].record);
      ++j;
    }
    const std::vector<Area> areas = ReadSqref(header.data, base + kSqrefAt);
    const FormatKey key{is12, static_cast<std::uint16_t>(Get16(header.data, base + kIdAt) >> 1)};
    if (areas.empty()) {
      out.push_back({Slot::kNone, header});
      for (Record& r : rules)
        out.push_back({Slot::kNone, std::move(r)});
      return j;
    }
    const AreaSplit split = edit_.ApplyToCells(sheet_, areas, kLastFormulaRow);
    if (split.stay.empty()) {
      removed_[key] = true;
    } else {
      out.push_back({Slot::kNone, FormatHeader(header, base, split.stay)});
      bounds_[key] = BoundingArea(split.stay);
      const FormulaSite site = Site(areas.front(), sheet_, split.stay.front());
      for (const Record& r : rules)
        out.push_back({Slot::kNone, EditRule(r, site)});
    }
    if (!split.moved.empty()) {
      moved_.push_back(FormatHeader(header, base, split.moved));
      const FormulaSite site = Site(areas.front(), edit_.TargetSheet(), split.moved.front());
      for (const Record& r : rules)
        moved_.push_back(EditRule(r, site));
    }
    return j;
  }

  // CFEX: follows its format's new area, or goes with it.
  void Extension(SheetItem& item, std::vector<SheetItem>& out) {
    const FormatKey key{Get32(item.record.data, kCfExIsCf12At) != 0,
                        Get16(item.record.data, kCfExIdAt)};
    if (removed_.count(key) != 0) return;
    auto bound = bounds_.find(key);
    if (bound != bounds_.end()) PutRef8(item.record.data, kFrtAreaAt, bound->second);
    out.push_back(std::move(item));
  }

  FormulaSite Site(const Area& before, std::size_t new_sheet, const Area& after) const {
    FormulaSite site;
    site.sheet = sheet_;
    site.new_sheet = new_sheet;
    site.base_row = before.first_row;
    site.base_col = before.first_col;
    site.new_base_row = after.first_row;
    site.new_base_col = after.first_col;
    site.can_name_sheets = false;
    return site;
  }

  Record EditRule(const Record& rule, const FormulaSite& site) {
    return rule.type == kCf12 ? EditCf12(rule, site, edit_, sheets_)
                              : EditCf(rule, site, edit_, sheets_);
  }

  std::size_t sheet_;
  const RowEdit& edit_;
  SheetIndex& sheets_;
  std::vector<Record>& moved_;
  std::map<FormatKey, bool> removed_;
  std::map<FormatKey, Area> bounds_;
};

}  // namespace

void EditConditionalFormats(std::vector<SheetItem>& items, std::size_t sheet, const RowEdit& edit,
                            SheetIndex& sheets, std::vector<Record>& moved) {
  if (!edit.Touches(sheet)) return;
  bool any = false;
  for (const SheetItem& item : items) {
    any = any || (item.slot == Slot::kNone &&
                  (item.record.type == kCondFmt || item.record.type == kCondFmt12));
  }
  if (!any) return;
  items = FormatEditor(sheet, edit, sheets, moved).Run(items);
}

}  // namespace quorlex::automation::workbook
