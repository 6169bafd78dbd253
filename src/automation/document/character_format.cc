#include "automation/document/character_format.h"

#include <algorithm>

#include "automation/document/sprm.h"

namespace quorlex::automation::document {
namespace {
constexpr std::uint16_t kCIss = 0x2A48;  // superscript and subscript
}  // namespace

std::string EncodeCharacterFormat(const CharacterFormat& format, FontTable& fonts) {
  PropertyWriter w;
  if (!format.font.empty()) {
    const std::uint16_t index = fonts.FindOrAdd(format.font);
    w.Word(sprm::kCRgFtc0, index).Word(sprm::kCRgFtc1, index).Word(sprm::kCRgFtc2, index);
    w.Word(sprm::kCFtcBi, index);
  }
  if (format.half_points > 0) {
    const auto hps = static_cast<std::uint16_t>(std::clamp(format.half_points, 2, 3276));
    w.Word(sprm::kCHps, hps).Word(sprm::kCHpsBi, hps);
  }
  if (format.bold) w.Byte(sprm::kCFBold, *format.bold ? 1 : 0);
  if (format.italic) w.Byte(sprm::kCFItalic, *format.italic ? 1 : 0);
  if (format.strike) w.Byte(sprm::kCFStrike, *format.strike ? 1 : 0);
  if (format.underline) w.Byte(sprm::kCKul, *format.underline ? 1 : 0);
  if (format.position != CharacterFormat::Position::kBaseline) {
    w.Byte(kCIss, static_cast<std::uint8_t>(format.position));
  }
  if (format.color) {
    w.Byte(sprm::kCIco, NearestPaletteIndex(*format.color));
    w.Long(sprm::kCCv, ColorRef(*format.color));
  }
  return w.Take();
}

}  // namespace quorlex::automation::document
