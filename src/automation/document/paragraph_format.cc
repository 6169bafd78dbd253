#include "automation/document/paragraph_format.h"

#include "automation/document/sprm.h"

namespace quorlex::automation::document {

std::string EncodeParagraphFormat(const ParagraphFormat& format, const CellParagraph& cell) {
  PropertyWriter w;
  if (format.alignment) {
    const auto jc = static_cast<std::uint8_t>(*format.alignment);
    w.Byte(sprm::kPJc80, jc);
  }
  if (format.keep_with_next) w.Byte(sprm::kPFKeepFollow, 1);
  if (format.outline_level >= 0 && format.outline_level <= 8) {
    w.Byte(sprm::kPOutLvl, static_cast<std::uint8_t>(format.outline_level));
  }
  if (format.left_indent != 0) {
    w.Word(sprm::kPDxaLeft80, static_cast<std::uint16_t>(format.left_indent));
  }
  if (format.first_line_indent != 0) {
    w.Word(sprm::kPDxaLeft1_80, static_cast<std::uint16_t>(format.first_line_indent));
  }
  if (cell.depth >= 1) {
    w.Byte(sprm::kPFInTable, 1);
    w.Long(sprm::kPItap, static_cast<std::uint32_t>(cell.depth));
    if (cell.depth == 1) {
      if (cell.row_end) w.Byte(sprm::kPFTtp, 1);
    } else {
      if (cell.cell_end || cell.row_end) w.Byte(sprm::kPFInnerTableCell, 1);
      if (cell.row_end) w.Byte(sprm::kPFInnerTtp, 1);
    }
  }
  return w.Take();
}

}  // namespace quorlex::automation::document
