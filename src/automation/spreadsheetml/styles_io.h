#pragma once

// The styles part: number formats, fonts, fills, borders and cell formats
// read into the engine's formats, and written back from them. What the
// engine left as it was read is written as it was read.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "automation/package/xml_reader.h"
#include "automation/spreadsheetml/source.h"
#include "automation/workbook/styles.h"

namespace quorlex::automation::spreadsheetml {

// The twelve colours of a theme as SpreadsheetML numbers them (light 1,
// dark 1, light 2, dark 2, six accents, two hyperlink colours), as 0xRRGGBB.
using ThemeColors = std::array<std::uint32_t, 12>;
ThemeColors ReadThemeColors(std::string_view theme_xml);
ThemeColors DefaultThemeColors();

// Fills `styles` (empty) and `source`. Throws quorlex::Error
// (errors::kFormat) for a part that is not well-formed.
void ReadStyles(std::string_view xml, const std::string& part_name, const ThemeColors& theme,
                workbook::Styles& styles, StyleSource& source);

// The font of a <font> or a rich text run's <rPr>, the reader on it.
workbook::Font ReadFont(package::XmlReader& reader, const ThemeColors& theme,
                        workbook::Styles& styles);
// Its properties as a run's <rPr> children (font name as rFont).
void AppendRunProperties(std::string& out, const workbook::Font& font,
                         const workbook::Styles& styles);

// The engine's formats as a styles part.
std::string WriteStyles(const workbook::Styles& styles, const StyleSource& source);

// The fill and borders of an engine cell format.
FillKey FillOf(const workbook::Xf& xf);
BorderKey BordersOf(const workbook::Xf& xf);

}  // namespace quorlex::automation::spreadsheetml
