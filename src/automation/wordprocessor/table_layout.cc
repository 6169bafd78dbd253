#include "automation/wordprocessor/table_layout.h"

#include <algorithm>
#include <numeric>

#include "platform/text.h"

namespace quorlex::automation::wordprocessor {
namespace {

constexpr int kMinimumColumn = 360;  // a quarter inch: room for a digit or two
constexpr double kDefaultPoints = 12;

struct Extent {
  double min = 0;  // the longest word
  double max = 0;  // the longest line
};

int Twips(const page::Length& length, int whole) {
  if (length.unit == page::Length::Unit::Points) return static_cast<int>(length.value * 20);
  if (length.unit == page::Length::Unit::Percent) {
    return static_cast<int>(whole * length.value / 100.0);
  }
  return 0;
}

// Text measured in twips with a generous average character (0.6 of the
// font size; digits and Cyrillic letters are wider than Latin lower case):
// an estimate that errs on the wide side, so that what fits in a browser's
// column fits in the document's.
Extent MeasureParagraph(const page::Page& page, const page::Paragraph& paragraph) {
  Extent extent;
  double line = 0;
  double word = 0;
  for (const page::Run& run : page.Runs(paragraph)) {
    const page::CharFormat& format = page.char_formats[run.format];
    const double size = format.size > 0 ? format.size : kDefaultPoints;
    const double advance = size * 20 * (format.bold ? 0.66 : 0.6);
    const std::string_view text = page.Text(run);
    std::size_t i = 0;
    while (i < text.size()) {
      const char32_t c = text::DecodeNext(text, i);
      if (c == U'\n') {
        extent.max = std::max(extent.max, line);
        extent.min = std::max(extent.min, word);
        line = word = 0;
        continue;
      }
      line += advance;
      if (c == U' ') {
        extent.min = std::max(extent.min, word);
        word = 0;
      } else {
        word += advance;
      }
    }
  }
  extent.max = std::max(extent.max, line);
  extent.min = std::max(extent.min, word);
  // Room for one more character: a line that just fits is not broken.
  if (extent.max > 0) {
    extent.max += kDefaultPoints * 20 * 0.6;
    extent.min += kDefaultPoints * 20 * 0.6;
  }
  return extent;
}

Extent MeasureTable(const page::Page& page, const page::Table& table, int depth);

Extent MeasureCell(const page::Page& page, const page::Cell& cell, int depth) {
  Extent extent;
  for (const page::Block& block : page.Blocks(cell)) {
    Extent e;
    if (block.kind == page::Block::Kind::Paragraph) {
      e = MeasureParagraph(page, page.ParagraphOf(block));
    } else if (depth < 8) {
      e = MeasureTable(page, page.TableOf(block), depth + 1);
    }
    extent.min = std::max(extent.min, e.min);
    extent.max = std::max(extent.max, e.max);
  }
  extent.min += kCellGap;
  extent.max += kCellGap;
  return extent;
}

Extent MeasureTable(const page::Page& page, const page::Table& table, int depth) {
  std::vector<Extent> columns(table.column_count);
  for (const page::Row& row : page.Rows(table)) {
    for (const page::Cell& cell : page.Cells(row)) {
      if (cell.colspan != 1 || cell.column >= columns.size()) continue;
      const Extent e = MeasureCell(page, cell, depth);
      columns[cell.column].min = std::max(columns[cell.column].min, e.min);
      columns[cell.column].max = std::max(columns[cell.column].max, e.max);
    }
  }
  Extent total;
  for (const Extent& e : columns) {
    total.min += std::max<double>(e.min, kMinimumColumn);
    total.max += std::max<double>(e.max, kMinimumColumn);
  }
  return total;
}

}  // namespace

std::vector<int> LayoutColumns(const page::Page& page, const page::Table& table, int available) {
  const std::size_t n = table.column_count;
  if (n == 0) return {};
  available = std::max(available, kMinimumColumn * 2);
  const page::TableFormat& format = page.table_formats[table.format];
  const int given_total = Twips(format.width, available);

  std::vector<int> fixed(n, 0);
  std::vector<Extent> extent(n);
  for (const page::Row& row : page.Rows(table)) {
    for (const page::Cell& cell : page.Cells(row)) {
      if (cell.colspan != 1 || cell.column >= n) continue;
      const page::TableCellFormat& cf = page.cell_formats[cell.format];
      const int width = Twips(cf.width, given_total > 0 ? given_total : available);
      if (width > 0) fixed[cell.column] = std::max(fixed[cell.column], width);
      const Extent e = MeasureCell(page, cell, 0);
      extent[cell.column].min = std::max(extent[cell.column].min, e.min);
      extent[cell.column].max = std::max(extent[cell.column].max, e.max);
    }
  }

  double min_sum = 0;
  double max_sum = 0;
  double fixed_sum = 0;
  for (std::size_t c = 0; c < n; ++c) {
    extent[c].min = std::max<double>(extent[c].min, kMinimumColumn);
    extent[c].max = std::max(extent[c].max, extent[c].min);
    if (fixed[c] > 0) {
      fixed_sum += fixed[c];
    } else {
      min_sum += extent[c].min;
      max_sum += extent[c].max;
    }
  }
  const double target = given_total > 0 ? given_total
                                        : std::min<double>(available, fixed_sum + max_sum);
  const double room = std::max(0.0, target - fixed_sum);

  std::vector<int> widths(n);
  for (std::size_t c = 0; c < n; ++c) {
    double w;
    if (fixed[c] > 0) {
      w = fixed[c];
    } else if (max_sum <= room) {
      // Everything fits on one line; a table given a width spreads out.
      w = extent[c].max + (given_total > 0 && max_sum > 0
                               ? (room - max_sum) * extent[c].max / max_sum
                               : 0);
    } else if (min_sum >= room) {
      w = extent[c].min;
    } else {
      w = extent[c].min + (extent[c].max - extent[c].min) * (room - min_sum) / (max_sum - min_sum);
    }
    widths[c] = std::max(kMinimumColumn, static_cast<int>(w));
  }
  return widths;
}

}  // namespace quorlex::automation::wordprocessor
