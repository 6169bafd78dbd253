#include "automation/document/style_sheet.h"

namespace quorlex::automation::document {

std::optional<std::uint16_t> StyleSheet::FindBuiltin(std::uint16_t sti) const {
  for (const Style& s : styles) {
    if (s.sti == sti && s.kind == Kind::kParagraph) return s.istd;
  }
  return std::nullopt;
}

}  // namespace quorlex::automation::document
