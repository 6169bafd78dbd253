#pragma once

// Formatting is kept in the word processor's own property encoding: a list
// of single property modifiers (sprm), each a 16-bit code followed by an
// operand whose size the code tells. Keeping it as read means a template's
// formatting is written back exactly, including what the engine does not
// interpret.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace quorlex::automation::document {

namespace sprm {
// Character.
inline constexpr std::uint16_t kCFBold = 0x0835;
inline constexpr std::uint16_t kCFItalic = 0x0836;
inline constexpr std::uint16_t kCFStrike = 0x0837;
inline constexpr std::uint16_t kCKul = 0x2A3E;
inline constexpr std::uint16_t kCIco = 0x2A42;
inline constexpr std::uint16_t kCHps = 0x4A43;
inline constexpr std::uint16_t kCRgFtc0 = 0x4A4F;
inline constexpr std::uint16_t kCRgFtc1 = 0x4A50;
inline constexpr std::uint16_t kCRgFtc2 = 0x4A51;
inline constexpr std::uint16_t kCFtcBi = 0x4A5E;
inline constexpr std::uint16_t kCHpsBi = 0x4A61;
inline constexpr std::uint16_t kCCv = 0x6870;
inline constexpr std::uint16_t kCFSpec = 0x0855;
// Paragraph.
inline constexpr std::uint16_t kPIstd = 0x4600;
inline constexpr std::uint16_t kPJc80 = 0x2403;
inline constexpr std::uint16_t kPJc = 0x2461;
inline constexpr std::uint16_t kPFKeepFollow = 0x2406;
inline constexpr std::uint16_t kPDxaLeft80 = 0x840F;
inline constexpr std::uint16_t kPDxaLeft1_80 = 0x8411;
inline constexpr std::uint16_t kPDyaBefore = 0xA413;
inline constexpr std::uint16_t kPDyaAfter = 0xA414;
inline constexpr std::uint16_t kPFInTable = 0x2416;
inline constexpr std::uint16_t kPFTtp = 0x2417;
inline constexpr std::uint16_t kPOutLvl = 0x2640;
inline constexpr std::uint16_t kPHugePapx = 0x6646;
inline constexpr std::uint16_t kPItap = 0x6649;
inline constexpr std::uint16_t kPDtap = 0x664A;
inline constexpr std::uint16_t kPFInnerTableCell = 0x244B;
inline constexpr std::uint16_t kPFInnerTtp = 0x244C;
// Table.
inline constexpr std::uint16_t kTJc90 = 0x5400;
inline constexpr std::uint16_t kTDxaGapHalf = 0x9602;
inline constexpr std::uint16_t kTDyaRowHeight = 0x9407;
inline constexpr std::uint16_t kTFCantSplit90 = 0x3403;
inline constexpr std::uint16_t kTTableBorders80 = 0xD605;
inline constexpr std::uint16_t kTDefTable = 0xD608;
inline constexpr std::uint16_t kTDefTableShd80 = 0xD609;
inline constexpr std::uint16_t kTDefTableShd = 0xD612;
inline constexpr std::uint16_t kTTableWidth = 0xF614;
inline constexpr std::uint16_t kTCellPadding = 0xD634;
// Section.
inline constexpr std::uint16_t kSBkc = 0x3009;
inline constexpr std::uint16_t kSBOrientation = 0x301D;
inline constexpr std::uint16_t kSXaPage = 0xB01F;
inline constexpr std::uint16_t kSYaPage = 0xB020;
inline constexpr std::uint16_t kSDxaLeft = 0xB021;
inline constexpr std::uint16_t kSDxaRight = 0xB022;
inline constexpr std::uint16_t kSDyaTop = 0x9023;
inline constexpr std::uint16_t kSDyaBottom = 0x9024;
}  // namespace sprm

// Property groups of a sprm code (its sgc field).
enum class SprmGroup { kParagraph = 1, kCharacter = 2, kPicture = 3, kSection = 4, kTable = 5 };

inline SprmGroup GroupOf(std::uint16_t code) { return static_cast<SprmGroup>((code >> 10) & 7); }

// One sprm of a property list: its code and its operand bytes (for
// variable-size operands, without the size prefix).
struct Sprm {
  std::uint16_t code = 0;
  std::string_view operand;
  std::size_t offset = 0;  // of the code in the list
  std::size_t size = 0;    // code, size prefix and operand together

  std::uint8_t Byte() const;
  std::uint16_t Word() const;
  std::uint32_t Long() const;
};

// Walks a property list. A list that ends inside a sprm stops the walk
// there: the rest is not a property (files in the wild end lists with
// padding).
class SprmIterator {
 public:
  explicit SprmIterator(std::string_view list) : list_(list) {}
  // The next sprm, or nothing at the end of the list.
  std::optional<Sprm> Next();

 private:
  std::string_view list_;
  std::size_t pos_ = 0;
};

// The operand of the last occurrence of code in list (the last one wins,
// as when properties are applied in order).
std::optional<Sprm> FindLast(std::string_view list, std::uint16_t code);

// The list without the sprms with the given codes.
std::string WithoutSprms(std::string_view list, std::initializer_list<std::uint16_t> codes);

// Builds a property list.
class PropertyWriter {
 public:
  PropertyWriter& Byte(std::uint16_t code, std::uint8_t value);
  PropertyWriter& Word(std::uint16_t code, std::uint16_t value);
  PropertyWriter& Long(std::uint16_t code, std::uint32_t value);
  // A variable-size operand: written with its one-byte size prefix (or the
  // two-byte prefix sprmTDefTable takes).
  PropertyWriter& Bytes(std::uint16_t code, std::string_view operand);
  PropertyWriter& Raw(std::string_view list);

  const std::string& str() const { return out_; }
  std::string Take() { return std::move(out_); }

 private:
  void Code(std::uint16_t code);
  std::string out_;
};

}  // namespace quorlex::automation::document
