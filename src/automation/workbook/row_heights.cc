#include "automation/workbook/row_heights.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "automation/text_metrics/fonts.h"
#include "platform/text.h"

namespace quorlex::automation::workbook {
namespace {

namespace text_metrics = automation::text_metrics;

constexpr std::uint16_t kCustomHeight = 0x40;
constexpr std::uint16_t kHidden = 0x20;
constexpr std::uint32_t kMaxRowHeight = 8180;  // 409 points

// Pixels to the em of a font of `twips` on a 96-dpi screen, rounded as
// Windows rounds a font's height.
int PixelsPerEm(std::uint16_t twips) {
  return std::max(1, static_cast<int>(std::lround(twips / 15.0)));
}

// Arial's height above and below the baseline, in em: the font whose row
// heights LineHeight gives.
constexpr double kArialLine = (1854.0 + 434.0) / 2048.0;

// What a cell format contributes to a row, looked up once per format.
struct FontMetrics {
  std::uint16_t line = 255;  // line height, twips
  const text_metrics::Face* face = nullptr;
  int ppem = 13;
  bool wrap = false;
};

class MetricsCache {
 public:
  explicit MetricsCache(const Styles& styles) : styles_(styles) {}

  const FontMetrics& Of(std::uint16_t xf_index) {
    auto it = cache_.find(xf_index);
    if (it != cache_.end()) return it->second;
    const Xf& xf = styles_.XfAt(xf_index);
    const Font& font = styles_.FontAt(xf.FontIndex());
    FontMetrics m;
    m.face = &text_metrics::Fonts::Shared().Find(font.name, font.Bold(), font.Italic());
    m.ppem = PixelsPerEm(font.height);
    // A font taller than Arial for its size (Calibri, Cambria) needs
    // taller lines in proportion.
    const double scale = (m.face->Ascent() + m.face->Descent()) / kArialLine;
    m.line = LineHeight(static_cast<std::uint16_t>(
        std::min(std::lround(font.height * std::max(scale, 1.0)), 8000L)));
    m.wrap = xf.Wrap();
    return cache_.emplace(xf_index, m).first->second;
  }

 private:
  const Styles& styles_;
  std::unordered_map<std::uint16_t, FontMetrics> cache_;
};

// Lines one line of text (no line breaks) takes when wrapped into `room`
// pixels, as a spreadsheet wraps it: at spaces, a word wider than the
// column broken where it reaches the edge.
std::uint32_t WrapLine(std::string_view line, const FontMetrics& m, int room) {
  const int space = m.face->Pixels(U' ', m.ppem);
  std::uint32_t lines = 1;
  int used = 0;  // pixels of the current line
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ') {
      ++i;
      continue;
    }
    std::size_t end = line.find(' ', i);
    if (end == std::string_view::npos) end = line.size();
    const std::string_view word = line.substr(i, end - i);
    const int width = m.face->Pixels(word, m.ppem);
    if (used > 0 && used + space + width <= room) {
      used += space + width;
    } else if (width <= room) {
      if (used > 0) ++lines;
      used = width;
    } else {
      if (used > 0) ++lines;
      used = 0;
      for (std::size_t k = 0; k < word.size();) {
        const int advance = m.face->Pixels(platform::DecodeNext(word, k), m.ppem);
        if (used > 0 && used + advance > room) {
          ++lines;
          used = 0;
        }
        used += advance;
      }
    }
    i = end;
  }
  return lines;
}

// Lines a wrapping text needs in a column of `room` pixels: each line of
// the text takes as many as its words fill, at least one.
std::uint32_t WrappedLines(std::string_view text, const FontMetrics& m, int room) {
  room = std::max(room, 1);
  std::uint32_t lines = 0;
  std::size_t start = 0;
  for (;;) {
    auto end = text.find('\n', start);
    const bool last = end == std::string_view::npos;
    if (last) end = text.size();
    lines += WrapLine(text.substr(start, end - start), m, room);
    if (last) break;
    start = end + 1;
  }
  return lines;
}

// Pixels of the widest digit of the workbook's standard font: the unit of
// column widths.
int DigitPixels(const Styles& styles) {
  const Font& font = styles.FontAt(0);
  const text_metrics::Face& face =
      text_metrics::Fonts::Shared().Find(font.name, font.Bold(), font.Italic());
  const int ppem = PixelsPerEm(font.height);
  int widest = 1;
  for (char32_t c = U'0'; c <= U'9'; ++c)
    widest = std::max(widest, face.Pixels(c, ppem));
  return widest;
}

}  // namespace

std::uint16_t LineHeight(std::uint16_t font_twips) {
  const std::uint32_t twips = (static_cast<std::uint32_t>(font_twips) * 1275 + 999) / 1000;
  const std::uint32_t stepped = (twips + 14) / 15 * 15;
  return static_cast<std::uint16_t>(std::min(stepped, kMaxRowHeight));
}

void FitRowHeights(const Styles& styles, Sheet& sheet) {
  CellStore& cells = sheet.Cells();
  MetricsCache metrics(styles);
  const int digit = DigitPixels(styles);
  std::vector<bool> merged_rows;  // rows that hold a merged area
  for (const Area& m : sheet.Merges()) {
    if (merged_rows.size() <= m.last_row) merged_rows.resize(m.last_row + 1, false);
    for (std::uint32_t r = m.first_row; r <= m.last_row; ++r)
      merged_rows[r] = true;
  }
  auto in_merge = [&](std::uint32_t r, std::uint16_t c) {
    if (r >= merged_rows.size() || !merged_rows[r]) return false;
    return std::any_of(sheet.Merges().begin(), sheet.Merges().end(),
                       [&](const Area& m) { return m.Contains(r, c); });
  };

  for (std::uint32_t r = 0; r < cells.RowCount(); ++r) {
    const Row* row = cells.RowAt(r);
    if (row == nullptr || row->cells.empty()) continue;
    if ((row->info.flags & (kCustomHeight | kHidden)) != 0) continue;
    std::uint32_t height = 0;
    for (const Cell& cell : row->cells) {
      if (cell.kind == CellKind::kBlank) continue;
      const FontMetrics& m = metrics.Of(cell.xf);
      std::uint32_t lines = 1;
      if (m.wrap && IsText(cell.kind) && !in_merge(r, cell.col)) {
        // The text's room: the column less the cell's margins and grid line.
        const int room = static_cast<int>(sheet.ColumnWidthUnits(cell.col) / 256.0 * digit) - 5;
        lines = WrappedLines(cells.Text(cell), m, room);
      }
      height = std::max(height, std::min(lines * m.line, kMaxRowHeight));
    }
    const std::uint16_t current =
        row->info.own ? row->info.height & 0x7FFF : sheet.DefaultRowHeight();
    if (height > current) {
      RowInfo& info = cells.MutableRowInfo(r);
      info.height = static_cast<std::uint16_t>(height);
      info.own = true;
    }
  }
}

}  // namespace quorlex::automation::workbook
