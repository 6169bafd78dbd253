#pragma once

// The rendered page as both office components paste it: a sequence of
// blocks, each a paragraph or a table, with the page's CSS already applied.
//
// Layout of the model. Everything lives in flat arrays owned by the Page and
// is referred to by index, so that a table of 500,000 cells costs well under
// a hundred bytes a cell besides its text:
//   - the children of one parent are contiguous: a paragraph's runs, a
//     table's rows, a row's cells, a cell's blocks and the body's blocks are
//     each one range [first, first + count) of their array, reached with the
//     accessors below (Runs, Rows, Cells, Blocks, Body);
//   - the text of all runs is one string; a run names its byte range in it;
//   - formats are interned: a run, paragraph, table or cell names its format
//     by index into char_formats, paragraph_formats, table_formats or
//     cell_formats (TableCellFormat); equal formats share one index.
//
// Text is rendered as a browser shows it: white space collapsed and trimmed
// per line, "&nbsp;" kept as U+00A0, white-space:pre kept. A line break
// (<br>, or a new line inside white-space:pre / pre-line) is kept inside the
// paragraph as the character '\n' in a run's text. The last line break of
// a block shows no line in a browser and is dropped, so a text ends with
// '\n' only where an empty line follows ("a<br><br>" gives "a\n": the
// lines "a" and ""). Each start and end of a block element (div, p, h1..h6,
// li, ...) ends a paragraph. Hidden content gives nothing.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct _xmlDoc;

namespace quorlex::automation::page {

// A colour as 0xRRGGBB, or kAutoColor where the page gives none (automatic
// text colour, no fill, automatic border colour).
using Rgb = std::uint32_t;
inline constexpr Rgb kAutoColor = 0xFFFFFFFFu;

// General: the page does not say (a spreadsheet puts text left and numbers
// right).
enum class HorizontalAlignment : std::uint8_t { kGeneral, kLeft, kCenter, kRight, kJustify };

// Default: the page does not say (a browser centres a table cell; the grid
// gives Bottom, the spreadsheet's own default).
enum class VerticalAlignment : std::uint8_t { kDefault, kTop, kCenter, kBottom };

// Thin, Medium and Thick are solid lines. CSS widths map as: below 1.5px
// thin, below 2.5px medium, else thick; the keywords thin/medium/thick map
// by name. dashed and dotted are thin dashed and dotted lines, double is a
// double line; groove, ridge, inset and outset count as solid.
enum class BorderStyle : std::uint8_t { kNone, kThin, kMedium, kThick, kDashed, kDotted, kDouble };

// One border line: its style and colour.
struct Border {
  BorderStyle style = BorderStyle::kNone;
  Rgb color = kAutoColor;
  bool operator==(const Border&) const = default;
};

enum class VerticalPosition : std::uint8_t { kBaseline, kSuperscript, kSubscript };

// The look of a run of text.
struct CharFormat {
  std::string font;  // the first family of font-family, generic names
                     // mapped (serif "Times New Roman", sans-serif
                     // "Arial", monospace "Courier New"); empty: not set
  double size = 0;   // points, rounded to 1/20 pt; 0: the page sets no
                     // size (a browser would show 12 pt)
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strike = false;
  Rgb color = kAutoColor;
  VerticalPosition position = VerticalPosition::kBaseline;
  bool operator==(const CharFormat&) const = default;
};

// A width or height as the page gives it.
struct Length {
  enum class Unit : std::uint8_t { kNone, kPoints, kPercent };
  Unit unit = Unit::kNone;  // kNone: not given
  double value = 0;         // points (96 px = 72 pt) or percent
  bool operator==(const Length&) const = default;
};

// The format of a paragraph: alignment and number format.
struct ParagraphFormat {
  HorizontalAlignment alignment = HorizontalAlignment::kGeneral;
  // mso-number-format of the paragraph's block, unescaped and with the named
  // formats spelt out ("Standard" -> "#,##0.00"); "@" keeps the text as text;
  // empty: none given.
  std::string number_format;
  bool operator==(const ParagraphFormat&) const = default;
};

// The look of a table cell (td or th).
struct TableCellFormat {
  Rgb background = kAutoColor;      // the cell's own, else its row's, row
                                    // group's or table's
  Border top, right, bottom, left;  // CSS borders; <table border=N> gives
                                    // every cell thin borders
  HorizontalAlignment horizontal = HorizontalAlignment::kGeneral;
  VerticalAlignment vertical = VerticalAlignment::kDefault;
  Length width, height;
  bool nowrap = false;        // white-space nowrap or pre, or nowrap attribute
  std::string number_format;  // as ParagraphFormat::number_format
  bool operator==(const TableCellFormat&) const = default;
};

// The format of a table: frame, background, width and alignment.
struct TableFormat {
  Border top, right, bottom, left;  // the table's own frame (CSS, or outset
                                    // thin lines from the border attribute)
  Rgb background = kAutoColor;
  Length width;
  // Placement of the table itself (align attribute, or margin auto on both
  // sides for Center); General: not given.
  HorizontalAlignment alignment = HorizontalAlignment::kGeneral;
  bool operator==(const TableFormat&) const = default;
};

// A piece of a paragraph's text in one character format. The text may hold
// '\n' (a line break), U+00A0 and U+0009 (from white-space:pre).
struct Run {
  std::uint32_t offset = 0;  // byte range in Page::text
  std::uint32_t length = 0;
  std::uint32_t format = 0;  // index into Page::char_formats
};

// One paragraph of the page: its runs and format.
struct Paragraph {
  std::uint32_t first_run = 0;  // range in Page::runs; empty for a line
  std::uint32_t run_count = 0;  // that holds only a line break (<br>)
  std::uint32_t format = 0;     // index into Page::paragraph_formats
  std::uint8_t heading = 0;     // 1..6 inside <h1>..<h6>, else 0
  // Lists: list_level is the number of enclosing <ul>/<ol> (0: not in a
  // list). list_item_start marks the first paragraph of an <li>, which
  // carries the item's marker; later paragraphs of the same item continue it.
  std::uint8_t list_level = 0;
  bool list_ordered = false;  // the innermost list is an <ol>
  bool list_item_start = false;
  std::uint32_t list_number = 0;  // the item's number (start/value honoured)
};

// One table cell: its content blocks, place in the grid and format.
struct Cell {
  std::uint32_t first_block = 0;  // range in Page::blocks: the cell's
  std::uint32_t block_count = 0;  // content, nested tables included
  // Position in the table's column grid after the HTML table algorithm:
  // cells skip places held by row spans from above; a colspan that would
  // run into such a place is cut short; a rowspan stops at the end of its
  // row group (rowspan=0 reaches it). colspan <= 1000, a table has at most
  // 16,384 columns.
  std::uint32_t column = 0;
  std::uint32_t colspan = 1;
  std::uint32_t rowspan = 1;
  std::uint32_t format = 0;       // index into Page::cell_formats
  std::uint32_t char_format = 0;  // the cell's own character format (for an
                                  // empty cell); index into char_formats
  bool header = false;            // a <th>
};

// One table row: its cells.
struct Row {
  std::uint32_t first_cell = 0;  // range in Page::cells
  std::uint32_t cell_count = 0;
  bool header = false;  // from the table's <thead>
};

// Rows in display order: the first <thead> first, the first <tfoot> last,
// the others as they come.
struct Table {
  std::uint32_t first_row = 0;  // range in Page::rows
  std::uint32_t row_count = 0;
  std::uint32_t column_count = 0;  // columns of the table's grid
  std::uint32_t format = 0;        // index into Page::table_formats
};

// A paragraph or a table, in the order of the page or of a cell.
struct Block {
  enum class Kind : std::uint8_t { kParagraph, kTable };
  Kind kind = Kind::kParagraph;
  std::uint32_t index = 0;  // into Page::paragraphs or Page::tables
};

// The rendered page as a model: text, paragraphs, tables and their formats.
struct Page {
  std::string title;  // the <title>, white space collapsed

  std::string text;
  std::vector<Run> runs;
  std::vector<Paragraph> paragraphs;
  std::vector<Table> tables;  // inner tables come before the tables holding them
  std::vector<Row> rows;
  std::vector<Cell> cells;
  std::vector<Block> blocks;
  std::uint32_t body_first_block = 0;  // range in blocks: the page's body
  std::uint32_t body_block_count = 0;

  // Index 0 of each table is the default format.
  std::vector<CharFormat> char_formats;
  std::vector<ParagraphFormat> paragraph_formats;
  std::vector<TableCellFormat> cell_formats;
  std::vector<TableFormat> table_formats;

  std::span<const Block> Body() const { return Range(blocks, body_first_block, body_block_count); }
  std::span<const Block> Blocks(const Cell& c) const {
    return Range(blocks, c.first_block, c.block_count);
  }
  std::span<const Row> Rows(const Table& t) const { return Range(rows, t.first_row, t.row_count); }
  std::span<const Cell> Cells(const Row& r) const {
    return Range(cells, r.first_cell, r.cell_count);
  }
  std::span<const Run> Runs(const Paragraph& p) const {
    return Range(runs, p.first_run, p.run_count);
  }
  std::string_view Text(const Run& r) const {
    return std::string_view(text).substr(r.offset, r.length);
  }
  // The whole text of a paragraph (its runs are contiguous in text).
  std::string_view Text(const Paragraph& p) const;

  const Paragraph& ParagraphOf(const Block& b) const { return paragraphs[b.index]; }
  const Table& TableOf(const Block& b) const { return tables[b.index]; }

 private:
  template <typename T>
  static std::span<const T> Range(const std::vector<T>& v, std::uint32_t first,
                                  std::uint32_t count) {
    return std::span<const T>(v.data() + first, count);
  }
};

// Builds the model of an HTML page. The input is UTF-8 whatever the page's
// <meta charset> says; invalid bytes read as U+FFFD. Never fails on bad
// markup: the HTML parser recovers as a browser would, and tables nested
// deeper than 64 levels are flattened into their cell's paragraphs.
// Throws quorlex::Error only when the parser cannot be set up.
Page ParsePage(std::string_view utf8_html);

// The same model from an HTML document that libxml2 already holds as a tree,
// such as the result of the report's transformation: the page is not
// written out and read back.
Page ReadPage(const _xmlDoc& tree);

}  // namespace quorlex::automation::page
