#include "automation/spreadsheet/page_paste.h"

#include <algorithm>
#include <cmath>

#include "automation/spreadsheet/date_text.h"
#include "platform/error.h"

namespace quorlex::automation::spreadsheet {

namespace {

using workbook::Edge;
using workbook::LineStyle;

constexpr double kDays1904 = 1462;  // from the 1900 date system's day 0 to 1904's

LineStyle MapBorder(page::BorderStyle s) {
  switch (s) {
    case page::BorderStyle::kNone: return LineStyle::kNone;
    case page::BorderStyle::kThin: return LineStyle::kThin;
    case page::BorderStyle::kMedium: return LineStyle::kMedium;
    case page::BorderStyle::kThick: return LineStyle::kThick;
    case page::BorderStyle::kDashed: return LineStyle::kDashed;
    case page::BorderStyle::kDotted: return LineStyle::kDotted;
    case page::BorderStyle::kDouble: return LineStyle::kDouble;
  }
  return LineStyle::kNone;
}

class FormatMapper {
 public:
  explicit FormatMapper(workbook::Workbook& book) : styles_(book.Formats()) {}

  std::uint16_t Map(const page::CellFormat& f) {
    workbook::Xf xf = styles_.XfAt(workbook::kDefaultXf);
    const workbook::Font& base = styles_.FontAt(0);
    workbook::Font font = base;
    if (!f.font.font.empty()) font.name = f.font.font;
    if (f.font.size > 0)
      font.height =
          static_cast<std::uint16_t>(std::clamp(std::lround(f.font.size * 20), 20L, 8191L));
    font.weight = f.font.bold ? 700 : 400;
    font.flags = static_cast<std::uint16_t>((base.flags & ~0x0A) | (f.font.italic ? 0x02 : 0) |
                                            (f.font.strike ? 0x08 : 0));
    font.underline = f.font.underline ? 1 : 0;
    font.color = f.font.color == page::kAutoColor ? 0x7FFF : styles_.ColorIndexFor(f.font.color);
    font.escapement = f.font.position == page::VerticalPosition::kSuperscript ? 1
                      : f.font.position == page::VerticalPosition::kSubscript ? 2
                                                                              : 0;
    if (!(font == base)) xf.SetFontIndex(styles_.InternFont(font));
    if (f.fill != page::kAutoColor) xf.SetFill(1, styles_.ColorIndexFor(f.fill), 65);
    auto border = [&](Edge e, const page::Border& b) {
      if (b.style == page::BorderStyle::kNone) return;
      std::uint8_t color = b.color == page::kAutoColor ? 64 : styles_.ColorIndexFor(b.color);
      xf.SetBorder(e, MapBorder(b.style), color);
    };
    border(Edge::kLeft, f.left);
    border(Edge::kTop, f.top);
    border(Edge::kRight, f.right);
    border(Edge::kBottom, f.bottom);
    switch (f.horizontal) {
      case page::HorizontalAlignment::kGeneral: break;
      case page::HorizontalAlignment::kLeft: xf.SetHorizontal(workbook::HAlign::kLeft); break;
      case page::HorizontalAlignment::kCenter: xf.SetHorizontal(workbook::HAlign::kCenter); break;
      case page::HorizontalAlignment::kRight: xf.SetHorizontal(workbook::HAlign::kRight); break;
      case page::HorizontalAlignment::kJustify: xf.SetHorizontal(workbook::HAlign::kJustify); break;
    }
    switch (f.vertical) {
      case page::VerticalAlignment::kTop: xf.SetVertical(workbook::VAlign::kTop); break;
      case page::VerticalAlignment::kCenter: xf.SetVertical(workbook::VAlign::kCenter); break;
      case page::VerticalAlignment::kDefault:
      case page::VerticalAlignment::kBottom: break;
    }
    if (f.wrap) xf.SetWrap(true);
    if (!f.number_format.empty()) xf.SetFormatIndex(styles_.InternFormat(f.number_format));
    if (xf == styles_.XfAt(workbook::kDefaultXf)) return workbook::kDefaultXf;
    return styles_.InternXf(xf);
  }

 private:
  workbook::Styles& styles_;
};

}  // namespace

void PasteGrid(workbook::Workbook& book, workbook::Sheet& sheet, std::uint32_t row,
               std::uint16_t column, const page::Grid& grid) {
  if (grid.row_count == 0 || grid.column_count == 0) return;
  std::uint64_t last_col = static_cast<std::uint64_t>(column) + grid.column_count - 1;
  if (last_col > 0xFFFF) throw Error(errors::kSpreadsheet, "Страница слишком широка для листа");
  auto& cells = sheet.Cells();
  std::uint32_t last_row = row + grid.row_count - 1;
  // What the rectangle held goes, as under Excel's paste.
  for (std::uint32_t r = row; r <= last_row && r < cells.RowCount(); ++r) {
    std::vector<std::uint16_t> cols;
    for (const auto& c : cells.Rows()[r].cells) {
      if (c.col >= column && c.col <= last_col) cols.push_back(c.col);
    }
    for (std::uint16_t c : cols) {
      cells.ClearValue(r, c);
      cells.SetXf(r, c, workbook::kDefaultXf);
    }
  }
  std::erase_if(sheet.Merges(), [&](const workbook::Area& m) {
    return !(m.last_row < row || m.first_row > last_row || m.last_col < column ||
             m.first_col > last_col);
  });

  FormatMapper mapper(book);
  const bool date1904 = Uses1904Dates(book);
  std::vector<std::uint16_t> xf_of(grid.formats.size(), workbook::kDefaultXf);
  std::vector<bool> mapped(grid.formats.size(), false);
  for (const page::GridCell& g : grid.cells) {
    if (g.column >= grid.column_count || g.row >= grid.row_count) continue;
    std::uint32_t r = row + g.row;
    auto c = static_cast<std::uint16_t>(column + g.column);
    std::uint16_t xf = workbook::kDefaultXf;
    if (g.format < grid.formats.size() && g.format != 0) {
      if (!mapped[g.format]) {
        xf_of[g.format] = mapper.Map(grid.formats[g.format]);
        mapped[g.format] = true;
      }
      xf = xf_of[g.format];
    }
    switch (g.kind) {
      case page::GridCell::Kind::kText:
        if (!g.text.empty()) cells.SetText(r, c, g.text);
        break;
      case page::GridCell::Kind::kNumber:
        if (g.date && date1904) {
          // A workbook that counts from 1904 cannot hold an earlier date:
          // it keeps the date's text.
          if (g.number >= kDays1904) {
            cells.SetNumber(r, c, g.number - kDays1904);
          } else {
            cells.SetText(r, c, DateText(g.number, "dd.mm.yyyy", false).value_or(""));
          }
        } else {
          cells.SetNumber(r, c, g.number);
        }
        break;
      case page::GridCell::Kind::kEmpty: break;
    }
    if (xf != workbook::kDefaultXf) cells.SetXf(r, c, xf);
  }
  for (const page::Merge& m : grid.merges) {
    if (m.last_row >= grid.row_count || m.last_column >= grid.column_count) continue;
    workbook::Area a{row + m.first_row, row + m.last_row,
                     static_cast<std::uint16_t>(column + m.first_column),
                     static_cast<std::uint16_t>(column + m.last_column)};
    if (a.first_row != a.last_row || a.first_col != a.last_col) sheet.Merges().push_back(a);
  }
}

}  // namespace quorlex::automation::spreadsheet
