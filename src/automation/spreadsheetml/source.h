#pragma once

// What a workbook read from a SpreadsheetML package keeps of that package
// for the writer: every part as read, the markup of the workbook and sheet
// parts the engine does not model, and the style records as written, so
// that what the conversion leaves alone is written back as it was.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "automation/package/package.h"
#include "automation/workbook/source_markup.h"
#include "automation/workbook/styles.h"

namespace quorlex::automation::spreadsheetml {

// A child element of a part kept as read, under its local name.
struct KeptElement {
  std::string name;
  std::string xml;
};

// What a worksheet read from a package keeps to be written again.
struct SheetSource : workbook::SourceMarkup {
  std::string part;                   // the sheet's part in the package read
  std::string name;                   // the sheet's name as read
  std::string root_start;             // "<worksheet ...>" as read
  std::vector<KeptElement> children;  // all but those made from the model
  std::string sheet_attributes;  // of its <sheet> in the workbook, other than name, sheetId, r:id
  // Parts made anew from the model's notes, left out of the sheet's
  // relationships when it is written.
  std::string comments_part;
  std::string vml_part;
  bool is_worksheet = true;  // otherwise written as read (a chart sheet...)
};

// The patterned fill and the borders of a cell format, as the engine's
// format holds them: what an xlsx fill or border becomes when read.
struct FillKey {
  std::uint8_t pattern = 0;
  std::uint8_t fore = 64;
  std::uint8_t back = 65;
  bool operator==(const FillKey&) const = default;
  auto operator<=>(const FillKey&) const = default;
};
// The borders of a cell format, keyed as the engine holds them.
struct BorderKey {
  std::array<std::uint8_t, 8> edges{};  // style and colour of left, right, top, bottom
  bool operator==(const BorderKey&) const = default;
  auto operator<=>(const BorderKey&) const = default;
};

// The styles part as read: what the model keeps and what each entry became.
struct StyleSource {
  std::string root_start;
  std::vector<KeptElement> children;  // all but numFmts, fonts, fills, borders, cellXfs
  std::vector<std::string> font_xml;  // as read, by xlsx font index
  std::vector<workbook::Font> fonts;  // what each became
  std::vector<std::string> fill_xml;
  std::vector<FillKey> fills;
  std::vector<std::string> border_xml;
  std::vector<BorderKey> borders;
  std::vector<std::string> cell_xf_xml;  // cellXfs as read
  std::vector<workbook::Xf> cell_xfs;    // what each became
};

// A <definedName> as read, with the sheet it is local to.
struct SourceName {
  std::string xml_attributes;  // without localSheetId
  std::string text;
  bool local = false;
  const workbook::SourceMarkup* local_sheet = nullptr;  // when local
};

// What a workbook read from a package keeps to be written again.
struct BookSource : workbook::SourceMarkup {
  package::Package package;  // as read
  std::string workbook_part;
  std::string root_start;
  std::vector<KeptElement> children;  // all but sheets and definedNames
  std::vector<SourceName> names;
  std::string styles_part;
  std::string shared_strings_part;
  StyleSource styles;
};

// The engine's cell formats are numbered with the style formats first;
// cell format k of a SpreadsheetML part is the engine's kFirstCellXf + k.
inline constexpr std::uint16_t kFirstCellXf = workbook::kDefaultXf;

// The type under which a formula cell keeps its <f> element as read: the
// engine keeps BIFF tokens, which SpreadsheetML does not have.
inline constexpr std::uint16_t kFormulaMarkup = 0xF0F0;

}  // namespace quorlex::automation::spreadsheetml
