#pragma once

// Formatting between WordprocessingML markup and the engine's property
// lists: run and paragraph properties, section page setup, and table rows.
// Reading gives the engine what it works with (styles, table structure,
// page size, the common text formats); writing makes the markup of what
// the engine made itself. Markup read from a template is kept as it is, so
// what is not translated here is not lost.

#include <libxml/tree.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "automation/document/document.h"
#include "automation/document/table_format.h"

namespace quorlex::automation::wordml {

// Element and attribute access in the main namespace.
bool IsMain(const xmlNode* node, const char* local);
const xmlNode* MainChild(const xmlNode* parent, const char* local);
std::optional<std::string> MainAttribute(const xmlNode* node, const char* local);
std::optional<long> NumberAttribute(const xmlNode* node, const char* local);
// An on/off property: present without a value, or with a true value.
bool OnOff(const xmlNode* node);
// The node and its subtree as markup, in the prefixes of its part.
std::string Markup(const xmlNode* node);

// Style ids in the order of the style sheet (istd) and the way back.
struct StyleIds {
  std::vector<std::string> ids;
  std::unordered_map<std::string, std::uint16_t> index;
  std::optional<std::uint16_t> Find(const std::string& id) const;
};

std::string ReadRunProperties(const xmlNode* rpr, document::FontTable& fonts,
                              const StyleIds& styles);

// A paragraph's style and property list.
struct ParagraphProperties {
  std::uint16_t istd = 0;
  std::string grpprl;
};
ParagraphProperties ReadParagraphProperties(const xmlNode* ppr, const StyleIds& styles);

// Page size, orientation and margins of a w:sectPr.
std::string ReadSectionProperties(const xmlNode* sect);

// Table rows read into the engine's row format, one piece at a time as the
// part is read: the table's defaults, the row's settings, each cell.
struct GridColumns {
  std::vector<int> widths;
};
document::RowFormat ReadTableDefaults(const xmlNode* tbl_pr);
// Moves column past the grid columns the row leaves out in front.
void ReadRowSettings(const xmlNode* tr_pr, const GridColumns& grid, document::RowFormat& row,
                     std::size_t& column);
// Moves column past the grid columns the cell spans.
document::CellFormat ReadCellFormat(const xmlNode* tc_pr, const GridColumns& grid,
                                    std::size_t& column);

// Writing. Each gives the whole element, or nothing when there is nothing
// to say.
std::string RunPropertiesMarkup(std::string_view chpx, const document::Document& document,
                                const std::vector<std::string>& style_ids);
// The w:pPr children for a paragraph format, without w:rPr and w:sectPr.
std::string ParagraphPropertiesBody(std::uint16_t istd, std::string_view grpprl,
                                    const std::vector<std::string>& style_ids);

// A row as the engine's property list says it: cells (widths, merges,
// borders, shading, vertical alignment) and row settings.
struct RowLayout {
  document::RowFormat format;
  std::vector<int> boundaries;  // cell edges, twips; one more than the cells
};
RowLayout DecodeRow(std::string_view grpprl);
// A row whose cells all have one line on every edge says it once, as the
// row's border exception; its cells then say nothing of borders. Each cell
// takes the row's line for its own, so borders meet as they would cell to
// cell.
std::optional<document::BorderLine> RowBorder(const document::RowFormat& row);
std::string RowBorderMarkup(const document::BorderLine& line);
std::string CellPropertiesMarkup(const document::CellFormat& cell, int grid_span,
                                 bool row_borders = false);
std::string RowPropertiesMarkup(const document::RowFormat& row, int grid_before, int grid_after);
std::string TablePropertiesMarkup(const document::RowFormat& first_row, int width);
std::string BorderMarkup(const char* side, const document::BorderLine& line);

// Hex colour as the markup writes it.
std::string HexColor(document::Color color);

}  // namespace quorlex::automation::wordml
