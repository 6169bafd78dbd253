#include "automation/workbook/kept_drawing.h"

#include "automation/workbook/drawing.h"
#include "automation/workbook/office_art.h"
#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

using platform::Put16;
using platform::Put32;

namespace {

constexpr std::uint16_t kMsoDrawing = 0x00EC;
constexpr std::uint16_t kContinue = 0x003C;
using office_art::kFdg;
using office_art::kFsp;
constexpr std::size_t kFspSize = 8;
constexpr std::size_t kFdgSize = 8;

// Indexes of the records that carry the layer's bytes: MSODRAWING and the
// CONTINUE records right after one.
std::vector<std::size_t> ArtItems(const std::vector<SheetItem>& items) {
  std::vector<std::size_t> parts;
  bool after_art = false;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const SheetItem& item = items[i];
    const bool kept = item.slot == Slot::kNone;
    if (kept && (item.record.type == kMsoDrawing || (after_art && item.record.type == kContinue))) {
      parts.push_back(i);
      after_art = true;
    } else {
      after_art = false;
    }
  }
  return parts;
}

std::vector<std::uint8_t> Joined(const std::vector<SheetItem>& items,
                                 const std::vector<std::size_t>& parts) {
  std::vector<std::uint8_t> art;
  for (std::size_t i : parts)
    art.insert(art.end(), items[i].record.data.begin(), items[i].record.data.end());
  return art;
}

}  // namespace

std::uint32_t KeptDrawingShapes(const std::vector<SheetItem>& items) {
  const std::vector<std::size_t> parts = ArtItems(items);
  if (parts.empty()) return 0;
  const std::vector<std::uint8_t> art = Joined(items, parts);
  std::uint32_t shapes = 0;
  WalkArt(art, 0, art.size(),
          [&](std::uint16_t type, std::uint16_t, std::size_t, std::size_t, std::size_t len, int) {
            if (type == kFsp && len >= kFspSize) ++shapes;
          });
  return shapes;
}

std::map<std::size_t, Record> RenumberKeptDrawing(const std::vector<SheetItem>& items,
                                                  std::uint32_t dg_id, std::uint32_t spid_base) {
  std::map<std::size_t, Record> out;
  const std::vector<std::size_t> parts = ArtItems(items);
  if (parts.empty()) return out;
  std::vector<std::uint8_t> art = Joined(items, parts);
  const std::uint32_t count = KeptDrawingShapes(items);
  std::uint32_t next = spid_base;
  WalkArt(art, 0, art.size(),
          [&](std::uint16_t type, std::uint16_t, std::size_t header, std::size_t body,
              std::size_t len, int) {
            if (type == kFsp && len >= kFspSize) {
              Put32(art, body, next++);
            } else if (type == kFdg && len >= kFdgSize) {
              Put16(art, header, static_cast<std::uint16_t>((dg_id & 0x0FFF) << 4));
              Put32(art, body, count);
              Put32(art, body + 4, spid_base + count - 1);
            }
          });
  std::size_t at = 0;
  for (std::size_t i : parts) {
    Record r = items[i].record;
    std::copy(art.begin() + static_cast<std::ptrdiff_t>(at),
              art.begin() + static_cast<std::ptrdiff_t>(at + r.data.size()), r.data.begin());
    at += r.data.size();
    out.emplace(i, std::move(r));
  }
  return out;
}

}  // namespace quorlex::automation::workbook
