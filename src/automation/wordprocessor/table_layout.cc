#include "automation/wordprocessor/table_layout.h"

#include <algorithm>
#include <numeric>

#include "automation/text_metrics/fonts.h"
#include "platform/text.h"

namespace quorlex::automation::wordprocessor {
namespace {

// What a browser shows where the page gives no font or size.
constexpr double kDefaultPoints = 12;
constexpr std::string_view kDefaultFamily = "Times New Roman";
constexpr double kTwipsPerPoint = 20;
// A measured width grows by this fraction besides kMeasureSlack: the word
// processor's own rounding grows with the length of the text.
constexpr double kMeasureGrowth = 0.01;
// Tables nested deeper count as empty when their cell is measured.
constexpr int kDeepestMeasured = 8;

int Twips(const page::Length& length, int whole) {
  if (length.unit == page::Length::Unit::kPoints) {
    return static_cast<int>(length.value * kTwipsPerPoint);
  }
  if (length.unit == page::Length::Unit::kPercent) {
    return static_cast<int>(whole * length.value / 100.0);
  }
  return 0;
}

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

// Spreads `extra` over columns [first, first + count) in proportion to
// their most widths (evenly when they have none), into `field`.
void Spread(std::vector<Extent>& columns, std::size_t first, std::size_t count, double extra,
            double Extent::*field) {
  double weight = 0;
  for (std::size_t c = first; c < first + count; ++c)
    weight += columns[c].max;
  for (std::size_t c = first; c < first + count; ++c) {
    const double share = weight > 0 ? columns[c].max / weight : 1.0 / static_cast<double>(count);
    columns[c].*field += extra * share;
  }
}

// Lowers the widest columns to one width, so that the least widths fit
// `target`: the words of those columns break, the others keep theirs.
void LowerWidest(std::vector<double>& widths, double target) {
  const double floor = kMinimumColumn;
  double low = floor;
  double high = *std::max_element(widths.begin(), widths.end());
  auto total = [&](double level) {
    double sum = 0;
    for (double w : widths)
      sum += std::min(w, level);
    return sum;
  };
  if (total(low) > target) {
    // Not even the narrowest columns fit: all share the width evenly.
    std::fill(widths.begin(), widths.end(),
              std::max(1.0, target / static_cast<double>(widths.size())));
    return;
  }
  for (int i = 0; i < 50; ++i) {
    const double mid = (low + high) / 2;
    (total(mid) > target ? high : low) = mid;
  }
  for (double& w : widths)
    w = std::min(w, low);
}

}  // namespace

TableLayout::TableLayout(const page::Page& page)
    : page_(page), faces_(page.char_formats.size(), nullptr) {}

const text_metrics::Face& TableLayout::FaceOf(std::uint32_t char_format) {
  if (char_format >= faces_.size()) char_format = 0;
  const text_metrics::Face*& face = faces_[char_format];
  if (face == nullptr) {
    const page::CharFormat& f = page_.char_formats[char_format];
    face = &text_metrics::Fonts::Shared().Find(f.font.empty() ? kDefaultFamily : f.font, f.bold,
                                               f.italic);
  }
  return *face;
}

Extent TableLayout::MeasureParagraph(const page::Paragraph& paragraph, bool nowrap) {
  Extent extent;
  double line = 0;
  double word = 0;
  // A space is held until the next character shows whether it breaks: one
  // between two digits does not.
  bool pending_space = false;
  double space = 0;
  bool after_digit = false;
  auto end_word = [&] {
    extent.min = std::max(extent.min, word);
    word = 0;
  };
  for (const page::Run& run : page_.Runs(paragraph)) {
    const page::CharFormat& format = page_.char_formats[run.format];
    const double scale = (format.size > 0 ? format.size : kDefaultPoints) * kTwipsPerPoint;
    const text_metrics::Face& face = FaceOf(run.format);
    const std::string_view text = page_.Text(run);
    for (std::size_t i = 0; i < text.size();) {
      const char32_t c = platform::DecodeNext(text, i);
      if (c == U'\n') {
        end_word();
        extent.max = std::max(extent.max, line);
        line = 0;
        pending_space = after_digit = false;
        continue;
      }
      const double advance = face.Advance(c) * scale;
      line += advance;
      if (c == U' ' && !nowrap) {
        if (pending_space) end_word();
        pending_space = true;
        space = advance;
        continue;
      }
      if (pending_space) {
        if (after_digit && IsDigit(c)) {
          word += space;
        } else {
          end_word();
        }
        pending_space = false;
      }
      word += advance;
      after_digit = IsDigit(c);
    }
  }
  end_word();
  extent.max = std::max(extent.max, line);
  if (extent.max > 0) {
    extent.min = extent.min * (1 + kMeasureGrowth) + kMeasureSlack;
    extent.max = extent.max * (1 + kMeasureGrowth) + kMeasureSlack;
  }
  return extent;
}

Extent TableLayout::MeasureCell(const page::Cell& cell, int depth) {
  const bool nowrap = page_.cell_formats[cell.format].nowrap;
  Extent extent;
  for (const page::Block& block : page_.Blocks(cell)) {
    Extent e;
    if (block.kind == page::Block::Kind::kParagraph) {
      e = MeasureParagraph(page_.ParagraphOf(block), nowrap);
    } else if (depth < kDeepestMeasured) {
      e = MeasureTable(page_.TableOf(block), depth + 1);
    }
    extent.min = std::max(extent.min, e.min);
    extent.max = std::max(extent.max, e.max);
  }
  extent.min += kCellGap;
  extent.max += kCellGap;
  return extent;
}

Extent TableLayout::MeasureTable(const page::Table& table, int depth) {
  Extent total;
  for (const Extent& e : ColumnExtents(table, depth, 0, nullptr)) {
    total.min += e.min;
    total.max += e.max;
  }
  return total;
}

std::vector<Extent> TableLayout::ColumnExtents(const page::Table& table, int depth, int available,
                                               std::vector<int>* fixed) {
  const std::size_t n = table.column_count;
  std::vector<Extent> columns(n);
  std::vector<int> given(n, 0);
  struct Spanning {
    std::size_t column, span;
    Extent extent;
  };
  std::vector<Spanning> spanning;
  for (const page::Row& row : page_.Rows(table)) {
    for (const page::Cell& cell : page_.Cells(row)) {
      if (cell.column >= n) continue;
      const std::size_t span =
          std::min<std::size_t>(std::max<std::uint32_t>(cell.colspan, 1), n - cell.column);
      const Extent e = MeasureCell(cell, depth);
      if (span > 1) {
        spanning.push_back({cell.column, span, e});
        continue;
      }
      Extent& column = columns[cell.column];
      column.min = std::max(column.min, e.min);
      column.max = std::max(column.max, e.max);
      const int width = Twips(page_.cell_formats[cell.format].width, available);
      if (width > 0) given[cell.column] = std::max(given[cell.column], width);
    }
  }
  for (std::size_t c = 0; c < n; ++c) {
    // A width the page gives is what the column's lines need.
    if (given[c] > 0) columns[c].max = given[c];
  }
  // Narrow spans first, so that wide ones see what the narrow ones added.
  std::stable_sort(spanning.begin(), spanning.end(),
                   [](const Spanning& a, const Spanning& b) { return a.span < b.span; });
  for (const Spanning& s : spanning) {
    double min = 0;
    double max = 0;
    for (std::size_t c = s.column; c < s.column + s.span; ++c) {
      min += columns[c].min;
      max += columns[c].max;
    }
    if (s.extent.min > min) Spread(columns, s.column, s.span, s.extent.min - min, &Extent::min);
    if (s.extent.max > max) Spread(columns, s.column, s.span, s.extent.max - max, &Extent::max);
  }
  for (std::size_t c = 0; c < n; ++c) {
    Extent& column = columns[c];
    column.min = std::max<double>(column.min, kMinimumColumn);
    if (given[c] > 0) {
      column.min = column.max = std::max<double>(column.min, given[c]);
    }
    column.max = std::max(column.max, column.min);
  }
  if (fixed != nullptr) *fixed = std::move(given);
  return columns;
}

ColumnLayout TableLayout::Columns(const page::Table& table, const TableRoom& room) {
  ColumnLayout layout;
  const std::size_t n = table.column_count;
  if (n == 0) return layout;
  const int available = std::max(room.width, kMinimumColumn * 2);
  const int given_total = Twips(page_.table_formats[table.format].width, available);
  std::vector<int> fixed;
  const std::vector<Extent> columns =
      ColumnExtents(table, 0, given_total > 0 ? given_total : available, &fixed);

  double min_sum = 0;
  double max_sum = 0;
  double free_max = 0;  // most widths of the columns without a given width
  for (std::size_t c = 0; c < n; ++c) {
    min_sum += columns[c].min;
    max_sum += columns[c].max;
    if (fixed[c] == 0) free_max += columns[c].max;
  }
  double target = given_total > 0        ? std::max<double>(given_total, min_sum)
                  : max_sum <= available ? max_sum
                                         : std::max<double>(available, min_sum);
  const int left_room = std::max(0, room.left_margin - kPaperEdge);
  const int right_room = std::max(0, room.right_margin - kPaperEdge);
  target = std::min<double>(target, std::max(available, available + left_room + right_room));

  std::vector<double> widths(n);
  if (min_sum > target) {
    for (std::size_t c = 0; c < n; ++c)
      widths[c] = columns[c].min;
    LowerWidest(widths, target);
  } else if (max_sum <= target) {
    // Every line fits; a table given a width spreads the rest over the
    // columns whose width is not given.
    const double extra = target - max_sum;
    for (std::size_t c = 0; c < n; ++c) {
      widths[c] = columns[c].max;
      if (fixed[c] == 0 && free_max > 0) widths[c] += extra * columns[c].max / free_max;
    }
  } else {
    const double share = (target - min_sum) / (max_sum - min_sum);
    for (std::size_t c = 0; c < n; ++c) {
      widths[c] = columns[c].min + (columns[c].max - columns[c].min) * share;
    }
  }
  layout.widths.resize(n);
  int total = 0;
  for (std::size_t c = 0; c < n; ++c) {
    layout.widths[c] = std::max(1, static_cast<int>(widths[c]));
    total += layout.widths[c];
  }
  layout.shift = std::clamp(total - available - right_room, 0, left_room);
  return layout;
}

}  // namespace quorlex::automation::wordprocessor
