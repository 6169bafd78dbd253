#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorlex::automation::document {

// The document's styles. The style sheet is written back exactly as read;
// the engine only looks styles up, to give pasted headings the template's
// own heading styles.
class StyleSheet {
 public:
  enum class Kind { kParagraph = 1, kCharacter = 2, kTable = 3, kNumbering = 4 };

  // One style of the sheet, with its properties as stored.
  struct Style {
    std::uint16_t istd = 0;  // index in the sheet, what paragraphs refer to
    std::uint16_t sti = 0;   // built-in identity: 0 Normal, 1-9 heading 1-9, 0x0FFE user
    Kind kind = Kind::kParagraph;
    std::string name;  // UTF-8
  };

  std::string raw;  // the style sheet as the file holds it
  std::vector<Style> styles;

  // The paragraph style with a built-in identity (sti), if the sheet has it.
  std::optional<std::uint16_t> FindBuiltin(std::uint16_t sti) const;
};

}  // namespace quorlex::automation::document
