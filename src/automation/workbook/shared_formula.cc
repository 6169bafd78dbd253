#include "automation/workbook/shared_formula.h"

#include "automation/workbook/ptg.h"
#include "automation/workbook/record.h"
#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

using platform::Get16;
using platform::Put16;

namespace {

constexpr std::uint16_t kColumnBits = 0x00FF;
constexpr std::uint16_t kFlagBits = ptg::kRowRelative | ptg::kColRelative;
constexpr std::uint8_t kPlainShift =
    ptg::kRefN - ptg::kRef;  // PtgRefN -> PtgRef, PtgAreaN -> PtgArea

// One row and column word of a relative token, made absolute for the cell.
void Place(std::vector<std::uint8_t>& out, std::size_t row_at, std::size_t col_at,
           std::uint32_t row, std::uint16_t col) {
  const std::uint16_t word = Get16(out, col_at);
  if ((word & ptg::kRowRelative) != 0) Put16(out, row_at, (row + Get16(out, row_at)) & 0xFFFF);
  if ((word & ptg::kColRelative) != 0) {
    const auto offset = static_cast<std::int8_t>(word & kColumnBits);
    const std::uint16_t column = static_cast<std::uint16_t>((col + offset) & kColumnBits);
    Put16(out, col_at, static_cast<std::uint16_t>((word & kFlagBits) | column));
  }
}

}  // namespace

std::vector<std::uint8_t> UnshareFormula(std::span<const std::uint8_t> rgce, std::uint32_t row,
                                         std::uint16_t col) {
  std::vector<std::uint8_t> out(rgce.begin(), rgce.end());
  ForEachPtg(rgce, [&](std::size_t at, std::size_t, std::uint8_t base) {
    if (base == ptg::kRefN) {
      out[at] = static_cast<std::uint8_t>(out[at] - kPlainShift);
      Place(out, at + 1, at + 3, row, col);
    } else if (base == ptg::kAreaN) {
      out[at] = static_cast<std::uint8_t>(out[at] - kPlainShift);
      Place(out, at + 1, at + 5, row, col);
      Place(out, at + 3, at + 7, row, col);
    }
  });
  return out;
}

}  // namespace quorlex::automation::workbook
