#include "automation/workbook/extern_sheets.h"

#include <algorithm>

#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

using platform::Append16;
using platform::Get16;
using platform::Put16;

namespace {

constexpr std::uint16_t kExternSheet = 0x0017;
constexpr std::uint16_t kSupBook = 0x01AE;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kExternName = 0x0023;
constexpr std::uint16_t kXct = 0x0059;  // cached values of an external sheet
constexpr std::uint16_t kCrn = 0x005A;
// The marker of the SUPBOOK that stands for the workbook itself.
constexpr std::uint16_t kOwnBookMarker = 0x0401;
// XTI sheet numbers above this mean a deleted sheet or the book itself.
constexpr std::uint16_t kLastSheetNumber = 0xFFFD;
constexpr std::size_t kXtiSize = 6;

bool IsOwnSupBook(const Record& r) {
  return r.type == kSupBook && r.data.size() == 4 && Get16(r.data, 2) == kOwnBookMarker;
}

bool IsKept(const GlobalItem& item, std::uint16_t type) {
  return item.slot == GlobalSlot::kNone && item.record.type == type;
}

// Where Excel writes the SUPBOOK and EXTERNSHEET records: before the names,
// the drawing group and the shared strings.
std::size_t ReferenceTablePlace(const std::vector<GlobalItem>& globals) {
  for (std::size_t i = 0; i < globals.size(); ++i) {
    const GlobalSlot s = globals[i].slot;
    if (s == GlobalSlot::kNames || s == GlobalSlot::kDrawingGroup ||
        s == GlobalSlot::kSharedStrings)
      return i;
  }
  return globals.empty() ? 0 : globals.size() - 1;
}

}  // namespace

ExternSheets::~ExternSheets() { Store(); }

void ExternSheets::Load() const {
  if (loaded_) return;
  loaded_ = true;
  const auto& globals = book_.Globals();
  for (std::size_t i = 0; i < globals.size(); ++i) {
    const GlobalItem& item = globals[i];
    if (IsKept(item, kSupBook)) {
      if (!own_supbook_ && IsOwnSupBook(item.record)) own_supbook_ = supbooks_;
      ++supbooks_;
    } else if (IsKept(item, kExternSheet)) {
      std::vector<std::uint8_t> body = item.record.data;
      for (std::size_t j = i + 1; j < globals.size() && IsKept(globals[j], kContinue); ++j) {
        body.insert(body.end(), globals[j].record.data.begin(), globals[j].record.data.end());
      }
      const std::size_t count = Get16(body, 0);
      for (std::size_t k = 0; k < count && 2 + (k + 1) * kXtiSize <= body.size(); ++k) {
        const std::size_t at = 2 + k * kXtiSize;
        xtis_.push_back({Get16(body, at), Get16(body, at + 2), Get16(body, at + 4)});
      }
    }
  }
}

const std::vector<Xti>& ExternSheets::Entries() const {
  Load();
  return xtis_;
}

std::optional<std::size_t> ExternSheets::SheetOf(std::uint16_t ixti) const {
  Load();
  if (ixti >= xtis_.size() || !own_supbook_) return std::nullopt;
  const Xti& x = xtis_[ixti];
  if (x.supbook != *own_supbook_ || x.first != x.last || x.first >= book_.SheetCount())
    return std::nullopt;
  return x.first;
}

std::uint16_t ExternSheets::XtiOf(std::size_t sheet) {
  Load();
  if (!own_supbook_) {
    // The workbook names no sheet yet: its own SUPBOOK comes after any
    // other, right before the table.
    own_supbook_ = supbooks_++;
    auto& globals = book_.Globals();
    auto table = std::find_if(globals.begin(), globals.end(),
                              [](const GlobalItem& g) { return IsKept(g, kExternSheet); });
    std::size_t at = table != globals.end() ? static_cast<std::size_t>(table - globals.begin())
                                            : ReferenceTablePlace(globals);
    Record own{kSupBook, {}};
    Append16(own.data, static_cast<std::uint32_t>(book_.SheetCount()));
    Append16(own.data, kOwnBookMarker);
    globals.insert(globals.begin() + static_cast<std::ptrdiff_t>(at),
                   GlobalItem{GlobalSlot::kNone, own});
    dirty_ = true;
  }
  const Xti wanted{*own_supbook_, static_cast<std::uint16_t>(sheet),
                   static_cast<std::uint16_t>(sheet)};
  auto it = std::find(xtis_.begin(), xtis_.end(), wanted);
  if (it != xtis_.end()) return static_cast<std::uint16_t>(it - xtis_.begin());
  xtis_.push_back(wanted);
  dirty_ = true;
  return static_cast<std::uint16_t>(xtis_.size() - 1);
}

void ExternSheets::SheetInserted(std::size_t index) {
  Load();
  for (GlobalItem& g : book_.Globals()) {
    if (IsKept(g, kSupBook) && IsOwnSupBook(g.record))
      Put16(g.record.data, 0, static_cast<std::uint32_t>(book_.SheetCount()));
  }
  if (!own_supbook_) return;
  for (Xti& x : xtis_) {
    if (x.supbook != *own_supbook_) continue;
    if (x.first >= index && x.first <= kLastSheetNumber) {
      ++x.first;
      dirty_ = true;
    }
    if (x.last >= index && x.last <= kLastSheetNumber) {
      ++x.last;
      dirty_ = true;
    }
  }
}

void ExternSheets::Store() {
  if (!dirty_) return;
  dirty_ = false;
  Record table{kExternSheet, {}};
  Append16(table.data, static_cast<std::uint32_t>(xtis_.size()));
  for (const Xti& x : xtis_) {
    Append16(table.data, x.supbook);
    Append16(table.data, x.first);
    Append16(table.data, x.last);
  }
  auto& globals = book_.Globals();
  auto it = std::find_if(globals.begin(), globals.end(),
                         [](const GlobalItem& g) { return IsKept(g, kExternSheet); });
  if (it == globals.end()) {
    // Right after the SUPBOOK records.
    std::size_t at = ReferenceTablePlace(globals);
    for (std::size_t i = 0; i < globals.size(); ++i) {
      if (IsKept(globals[i], kSupBook)) at = i + 1;
    }
    while (at < globals.size() && (IsKept(globals[at], kExternName) || IsKept(globals[at], kXct) ||
                                   IsKept(globals[at], kCrn) || IsKept(globals[at], kContinue))) {
      ++at;  // the external names and cached values of the last SUPBOOK stay with it
    }
    globals.insert(globals.begin() + static_cast<std::ptrdiff_t>(at),
                   GlobalItem{GlobalSlot::kNone, std::move(table)});
    return;
  }
  it->record = std::move(table);
  auto next = it + 1;
  auto end = next;
  while (end != globals.end() && IsKept(*end, kContinue))
    ++end;
  globals.erase(next, end);
}

}  // namespace quorlex::automation::workbook
