#pragma once

// The style sheet and font table parts: read into the engine's style sheet
// and font table, and the font table extended with the faces a paste adds.

#include <string>
#include <string_view>

#include "automation/document/font_table.h"
#include "automation/document/style_sheet.h"
#include "automation/wordml/properties.h"

namespace quorlex::automation::wordml {

// Styles in the order of the part; istd is the position. Built-in styles
// are known by their names ("Normal", "heading 1" ...), which Word writes
// in English whatever the language of their ids.
void ReadStyles(std::string_view part, document::StyleSheet& sheet, StyleIds& ids);

void ReadFonts(std::string_view part, document::FontTable& fonts);

// The font table part with the fonts from index first_new on added.
std::string AddFonts(std::string_view part, const document::FontTable& fonts,
                     std::size_t first_new);

}  // namespace quorlex::automation::wordml
