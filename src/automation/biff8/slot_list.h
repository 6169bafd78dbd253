#pragma once

#include <bitset>
#include <cstddef>
#include <utility>
#include <vector>

#include "automation/workbook/record.h"

namespace quorlex::automation::biff8 {

// The records of a stream in their order as the engine keeps them: records
// it does not model are kept as read, and each family of records it models
// is replaced by one slot where the family's first record stood, so that the
// writer writes the family anew in its place. Item is workbook::SheetItem
// or workbook::GlobalItem.
template <typename Item>
class SlotList {
 public:
  using Slot = decltype(Item::slot);

  explicit SlotList(std::vector<Item>& items) : items_(items) {}

  // The family's slot goes here unless an earlier record placed it.
  void Mark(Slot slot) {
    if (!Has(slot)) items_.push_back({slot, {}});
    have_.set(Index(slot));
  }

  // A slot that carries its own record (a sheet's SELECTION, the window).
  void Place(Slot slot, workbook::Record record) {
    items_.push_back({slot, std::move(record)});
    have_.set(Index(slot));
  }

  // A record the engine does not model, kept as read.
  void Keep(workbook::Record record) { items_.push_back({Slot::kNone, std::move(record)}); }

  bool Has(Slot slot) const { return have_.test(Index(slot)); }

  std::vector<Item>& Items() { return items_; }

 private:
  static std::size_t Index(Slot slot) { return static_cast<std::size_t>(slot); }

  std::vector<Item>& items_;
  std::bitset<32> have_;
};

}  // namespace quorlex::automation::biff8
