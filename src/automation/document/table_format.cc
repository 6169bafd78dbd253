#include "automation/document/table_format.h"

#include <algorithm>
#include <cstdint>

#include "automation/document/sprm.h"
#include "platform/little_endian.h"

namespace quorlex::automation::document {

using platform::Append16;
using platform::Append32;
using platform::Get16;

namespace {

constexpr std::uint16_t kSprmTVertMerge = 0xD62B;
constexpr std::uint16_t kSprmTTableHeader = 0x3404;
constexpr std::uint16_t kSprmTFCantSplit = 0x3466;
constexpr std::uint16_t kVertMerge = 0x0020;
constexpr std::uint16_t kVertRestart = 0x0040;
constexpr std::size_t kTc80Size = 20;

void PutBorder80(std::string& out, const BorderLine& line) {
  if (line.width <= 0) {
    Append32(out, 0);
    return;
  }
  out.push_back(static_cast<char>(std::clamp(line.width, 2, 96)));
  out.push_back(static_cast<char>(line.style));
  out.push_back(static_cast<char>(line.color ? NearestPaletteIndex(*line.color) : 0));
  out.push_back('\0');
}

std::int16_t Twips(int value) {
  return static_cast<std::int16_t>(std::clamp(value, -31680, 31680));
}

}  // namespace

std::string EncodeRowFormat(const RowFormat& row) {
  PropertyWriter w;
  if (row.alignment) {
    w.Word(sprm::kTJc90,
           static_cast<std::uint16_t>(*row.alignment == Alignment::kJustify ? Alignment::kLeft
                                                                            : *row.alignment));
  }
  w.Word(sprm::kTDxaGapHalf, static_cast<std::uint16_t>(row.gap_half));
  if (row.header) w.Byte(kSprmTTableHeader, 1);
  if (row.keep_together) w.Byte(sprm::kTFCantSplit90, 1).Byte(kSprmTFCantSplit, 1);
  if (row.height > 0) w.Word(sprm::kTDyaRowHeight, static_cast<std::uint16_t>(Twips(row.height)));

  const std::size_t count = std::min(row.cells.size(), kMaxCells);
  std::string def;
  def.push_back(static_cast<char>(count));
  int x = row.left;
  Append16(def, static_cast<std::uint16_t>(Twips(x)));
  for (std::size_t i = 0; i < count; ++i) {
    x += std::max(row.cells[i].width, 1);
    Append16(def, static_cast<std::uint16_t>(Twips(x)));
  }
  for (std::size_t i = 0; i < count; ++i) {
    const CellFormat& cell = row.cells[i];
    std::uint16_t flags = static_cast<std::uint16_t>(static_cast<int>(cell.vertical) << 7);
    if (cell.merge_start) flags |= kVertMerge | kVertRestart;
    if (cell.merge_continue) flags |= kVertMerge;
    flags |= 3u << 9;  // preferred width in twips
    Append16(def, flags);
    Append16(def, static_cast<std::uint16_t>(Twips(std::max(cell.width, 1))));
    PutBorder80(def, cell.top);
    PutBorder80(def, cell.left);
    PutBorder80(def, cell.bottom);
    PutBorder80(def, cell.right);
  }
  w.Bytes(sprm::kTDefTable, def);

  bool any_shading = false;
  for (std::size_t i = 0; i < count; ++i)
    any_shading = any_shading || row.cells[i].shading;
  if (any_shading) {
    std::string shd80;
    std::string shd;
    for (std::size_t i = 0; i < count; ++i) {
      const auto& fill = row.cells[i].shading;
      // Palette form for older readers: background colour, clear pattern.
      Append16(shd80, fill ? static_cast<std::uint16_t>(NearestPaletteIndex(*fill) << 5) : 0);
      // Exact form: foreground automatic, background colour (or automatic).
      Append32(shd, 0xFF000000u);
      Append32(shd, fill ? ColorRef(*fill) : 0xFF000000u);
      Append16(shd, 0);
    }
    w.Bytes(sprm::kTDefTableShd80, shd80);
    w.Bytes(sprm::kTDefTableShd, shd);
  }
  return w.Take();
}

std::string RestartVerticalMerges(std::string_view grpprl) {
  std::string out(grpprl);
  SprmIterator it(grpprl);
  while (auto s = it.Next()) {
    const std::size_t operand_at = s->offset + s->size - s->operand.size();
    if (s->code == sprm::kTDefTable && !s->operand.empty()) {
      const std::size_t count = static_cast<unsigned char>(s->operand[0]);
      const std::size_t tc_at = 1 + (count + 1) * 2;
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = tc_at + i * kTc80Size;
        if (at + 2 > s->operand.size()) break;
        const std::uint16_t flags = Get16(s->operand, at);
        if ((flags & kVertMerge) && !(flags & kVertRestart)) {
          const auto fixed = static_cast<std::uint16_t>(flags | kVertRestart);
          out[operand_at + at] = static_cast<char>(fixed & 0xFF);
          out[operand_at + at + 1] = static_cast<char>(fixed >> 8);
        }
      }
    } else if (s->code == kSprmTVertMerge && s->operand.size() >= 2) {
      if (static_cast<unsigned char>(s->operand[1]) == 1) out[operand_at + 1] = 3;
    }
  }
  return out;
}

std::vector<int> CellBoundaries(std::string_view grpprl) {
  std::vector<int> result;
  if (auto s = FindLast(grpprl, sprm::kTDefTable); s && !s->operand.empty()) {
    const std::size_t count = static_cast<unsigned char>(s->operand[0]);
    for (std::size_t i = 0; i <= count; ++i) {
      const std::size_t at = 1 + i * 2;
      if (at + 2 > s->operand.size()) break;
      result.push_back(static_cast<std::int16_t>(Get16(s->operand, at)));
    }
  }
  return result;
}

}  // namespace quorlex::automation::document
