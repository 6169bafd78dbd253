#include "automation/workbook/ptg.h"

#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

namespace {

constexpr std::uint8_t kFirstOperator = 0x03;  // PtgAdd
constexpr std::uint8_t kLastOperator = 0x16;   // PtgMissArg
constexpr std::uint8_t kErr = 0x1C;
constexpr std::uint8_t kBool = 0x1D;
constexpr std::uint8_t kInt = 0x1E;
constexpr std::uint8_t kNum = 0x1F;
constexpr std::uint8_t kFunc = 0x21;
constexpr std::uint8_t kFuncVar = 0x22;
constexpr std::uint8_t kAttrChooseBit = ptg::kAttrChoose;
constexpr std::uint8_t kStrWide = 0x01;

std::size_t FixedSize(std::uint8_t base) {
  switch (base) {
    case ptg::kExp:
    case ptg::kTbl: return 5;
    case ptg::kExtended: return 6;  // natural-language labels and PivotTable names
    case kErr:
    case kBool: return 2;
    case kInt: return 3;
    case kNum: return 9;
    case ptg::kArray: return 8;
    case kFunc: return 3;
    case kFuncVar: return 4;
    case ptg::kName: return 5;
    case ptg::kRef:
    case ptg::kRefErr:
    case ptg::kRefN: return 5;
    case ptg::kArea:
    case ptg::kAreaErr:
    case ptg::kAreaN: return 9;
    case ptg::kMemArea:
    case ptg::kMemErr:
    case ptg::kMemNoMem: return 7;
    case ptg::kMemFunc: return 3;
    case ptg::kNameX:
    case ptg::kRef3d:
    case ptg::kRefErr3d: return 7;
    case ptg::kArea3d:
    case ptg::kAreaErr3d: return 11;
    default: return 0;
  }
}

}  // namespace

std::size_t PtgSize(std::span<const std::uint8_t> rgce, std::size_t at) {
  if (at >= rgce.size()) return 0;
  const std::uint8_t base = PtgBase(rgce[at]);
  std::size_t size = 0;
  if (base >= kFirstOperator && base <= kLastOperator) {
    size = 1;
  } else if (base == ptg::kStr) {
    if (at + 3 > rgce.size()) return 0;
    const std::size_t chars = rgce[at + 1];
    size = 3 + chars * ((rgce[at + 2] & kStrWide) != 0 ? 2 : 1);
  } else if (base == ptg::kAttr) {
    if (at + 4 > rgce.size()) return 0;
    size = 4;
    if ((rgce[at + 1] & kAttrChooseBit) != 0) {
      const std::size_t cases = platform::Get16(rgce, at + 2);
      size += 2 * (cases + 1);
    }
  } else {
    size = FixedSize(base);
  }
  if (size == 0 || at + size > rgce.size()) return 0;
  return size;
}

bool NamesSheets(std::span<const std::uint8_t> rgce) {
  bool found = false;
  const bool parsed = ForEachPtg(rgce, [&](std::size_t, std::size_t, std::uint8_t base) {
    if (base == ptg::kNameX || (base >= ptg::kRef3d && base <= ptg::kAreaErr3d)) found = true;
  });
  // What does not parse may name anything.
  return found || !parsed;
}

}  // namespace quorlex::automation::workbook
