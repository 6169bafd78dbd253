#include "automation/workbook/row_heights.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "platform/text.h"

namespace quorlex::workbook {
namespace {

constexpr std::uint16_t kCustomHeight = 0x40;
constexpr std::uint16_t kHidden = 0x20;
constexpr std::uint32_t kMaxRowHeight = 8180;  // 409 points

// What a cell format contributes to a row, looked up once per format.
struct FontMetrics {
  std::uint16_t line = 255;  // line height, twips
  double char_pixels = 7.0;  // average character width at 96 dpi
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
    m.line = LineHeight(font.height);
    // Seven pixels for an average character of a 10-point font, a tenth
    // wider in bold.
    m.char_pixels = 7.0 * font.height / 200.0 * (font.Bold() ? 1.1 : 1.0);
    m.wrap = xf.Wrap();
    return cache_.emplace(xf_index, m).first->second;
  }

 private:
  const Styles& styles_;
  std::unordered_map<std::uint16_t, FontMetrics> cache_;
};

// Lines a wrapping text needs in a column of `width_pixels`: each line of
// the text takes as many as its width fills, at least one.
std::uint32_t WrappedLines(std::string_view text, double char_pixels, double width_pixels) {
  const double width = std::max(width_pixels, 1.0);
  std::uint32_t lines = 0;
  std::size_t start = 0;
  for (;;) {
    auto end = text.find('\n', start);
    const bool last = end == std::string_view::npos;
    if (last) end = text.size();
    const double pixels = static_cast<double>(text::Length(text.substr(start, end - start))) * char_pixels;
    lines += std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::ceil(pixels / width)));
    if (last) break;
    start = end + 1;
  }
  return lines;
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
  std::vector<bool> merged_rows;  // rows that hold a merged area
  for (const Area& m : sheet.Merges()) {
    if (merged_rows.size() <= m.last_row) merged_rows.resize(m.last_row + 1, false);
    for (std::uint32_t r = m.first_row; r <= m.last_row; ++r) merged_rows[r] = true;
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
        const double width = sheet.ColumnWidthUnits(cell.col) / 256.0 * 7.0 - 5.0;
        lines = WrappedLines(cells.Text(cell), m.char_pixels, width);
      }
      height = std::max(height, std::min(lines * m.line, kMaxRowHeight));
    }
    const std::uint16_t current = row->info.own ? row->info.height & 0x7FFF : sheet.DefaultRowHeight();
    if (height > current) {
      RowInfo& info = cells.MutableRowInfo(r);
      info.height = static_cast<std::uint16_t>(height);
      info.own = true;
    }
  }
}

}  // namespace quorlex::workbook
