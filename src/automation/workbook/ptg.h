#pragma once

// The tokens (ptgs) of a BIFF8 formula: how long each is and which of them
// are references. Formulas of cells, names, conditional formats,
// validations and charts share this encoding.

#include <cstddef>
#include <cstdint>
#include <span>

namespace quorlex::automation::workbook {

// Base token numbers: the class bits (reference, value, array) cleared
// from the operand tokens at 0x20 and above.
namespace ptg {
inline constexpr std::uint8_t kExp = 0x01;
inline constexpr std::uint8_t kTbl = 0x02;
inline constexpr std::uint8_t kStr = 0x17;
inline constexpr std::uint8_t kExtended = 0x18;
inline constexpr std::uint8_t kAttr = 0x19;
inline constexpr std::uint8_t kArray = 0x20;
inline constexpr std::uint8_t kName = 0x23;
inline constexpr std::uint8_t kRef = 0x24;
inline constexpr std::uint8_t kArea = 0x25;
inline constexpr std::uint8_t kMemArea = 0x26;
inline constexpr std::uint8_t kMemErr = 0x27;
inline constexpr std::uint8_t kMemNoMem = 0x28;
inline constexpr std::uint8_t kMemFunc = 0x29;
inline constexpr std::uint8_t kRefErr = 0x2A;
inline constexpr std::uint8_t kAreaErr = 0x2B;
inline constexpr std::uint8_t kRefN = 0x2C;
inline constexpr std::uint8_t kAreaN = 0x2D;
inline constexpr std::uint8_t kNameX = 0x39;
inline constexpr std::uint8_t kRef3d = 0x3A;
inline constexpr std::uint8_t kArea3d = 0x3B;
inline constexpr std::uint8_t kRefErr3d = 0x3C;
inline constexpr std::uint8_t kAreaErr3d = 0x3D;

// PtgAttr kinds (second byte).
inline constexpr std::uint8_t kAttrIf = 0x02;
inline constexpr std::uint8_t kAttrChoose = 0x04;
inline constexpr std::uint8_t kAttrGoto = 0x08;

// Column word of a reference: relative-row and relative-column flags.
inline constexpr std::uint16_t kRowRelative = 0x8000;
inline constexpr std::uint16_t kColRelative = 0x4000;
}  // namespace ptg

// The token number with its class bits cleared.
inline std::uint8_t PtgBase(std::uint8_t token) {
  return token >= 0x20 ? static_cast<std::uint8_t>((token & 0x1F) | 0x20) : token;
}
// The class bits (0x20 reference, 0x40 value, 0x60 array) of an operand.
inline std::uint8_t PtgClass(std::uint8_t token) {
  return token >= 0x20 ? static_cast<std::uint8_t>(token & 0x60) : 0;
}

// Length of the token at `at`, its data in the formula's extra bytes not
// counted; 0 when the token is unknown or cut short.
std::size_t PtgSize(std::span<const std::uint8_t> rgce, std::size_t at);

// Calls visit(at, size, base) for each token in order. False, after the
// tokens before it, when one does not parse.
template <typename F>
bool ForEachPtg(std::span<const std::uint8_t> rgce, F&& visit) {
  std::size_t at = 0;
  while (at < rgce.size()) {
    std::size_t size = PtgSize(rgce, at);
    if (size == 0) return false;
    visit(at, size, PtgBase(rgce[at]));
    at += size;
  }
  return true;
}

// True when the formula has a token that names a sheet through an XTI
// index (3-D references and external names), or does not parse.
bool NamesSheets(std::span<const std::uint8_t> rgce);

}  // namespace quorlex::automation::workbook
