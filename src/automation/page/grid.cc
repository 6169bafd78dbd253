#include "automation/page/grid.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <unordered_map>

#include "automation/page/number_format.h"
#include "automation/page/number_reader.h"

namespace quorlex::automation::page {
namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;
// Rows and columns the layout may reach; anything further is left out.
constexpr std::uint64_t kMaxExtent = 1u << 26;

std::size_t Combine(std::size_t h, std::size_t v) {
  return h ^ (v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2));
}

struct CellFormatHash {
  std::size_t operator()(const CellFormat& f) const noexcept {
    std::size_t h = std::hash<std::string>{}(f.font.font);
    h = Combine(h, std::hash<double>{}(f.font.size));
    h = Combine(
        h, static_cast<std::size_t>(f.font.bold) | static_cast<std::size_t>(f.font.italic) << 1 |
               static_cast<std::size_t>(f.font.underline) << 2 |
               static_cast<std::size_t>(f.font.strike) << 3 |
               static_cast<std::size_t>(f.font.position) << 4 |
               static_cast<std::size_t>(f.horizontal) << 8 |
               static_cast<std::size_t>(f.vertical) << 12 | static_cast<std::size_t>(f.wrap) << 16);
    h = Combine(h, f.font.color);
    h = Combine(h, f.fill);
    for (const Border* b : {&f.top, &f.right, &f.bottom, &f.left}) {
      h = Combine(h, static_cast<std::size_t>(b->style) << 32 | b->color);
    }
    return Combine(h, std::hash<std::string>{}(f.number_format));
  }
};

// What a sheet cell's format is made of, before it is built and interned.
struct FormatKey {
  std::uint32_t char_format = 0;
  std::uint32_t cell_format = kNone;       // kNone: text outside tables
  std::uint32_t paragraph_format = kNone;  // kNone: an empty cell
  // The number format implied by how a number was written, when the page
  // gives none.
  NumberShape implied_shape = NumberShape::kGeneral;
  std::uint8_t implied_decimals = 0;
  bool implied_parentheses = false;
  // The implied format wins over the page's: a date under General, or
  // under a format that is not a date's.
  bool implied_wins = false;
  bool wrap = false;
  bool no_borders = false;  // part of a cell that holds a table
  bool operator==(const FormatKey&) const = default;
};

struct FormatKeyHash {
  std::size_t operator()(const FormatKey& k) const noexcept {
    std::size_t h = k.char_format;
    h = Combine(h, k.cell_format);
    h = Combine(h, k.paragraph_format);
    return Combine(h, static_cast<std::size_t>(k.implied_parentheses) << 14 |
                          static_cast<std::size_t>(k.implied_wins) << 13 |
                          static_cast<std::size_t>(k.implied_decimals) << 5 |
                          static_cast<std::size_t>(k.implied_shape) << 2 |
                          static_cast<std::size_t>(k.wrap) << 1 |
                          static_cast<std::size_t>(k.no_borders));
  }
};

struct Size {
  std::uint64_t rows = 0;
  std::uint64_t columns = 0;
};

struct Area {
  std::uint64_t top = 0;
  std::uint64_t left = 0;
  std::uint64_t bottom = 0;  // inclusive
  std::uint64_t right = 0;   // inclusive
};

// A box whose edges and fill show on the sheet cells inside it: a table's
// frame, or a cell that holds a table.
struct Frame {
  Area area;
  Border top, right, bottom, left;
  Rgb fill = kAutoColor;
};

bool HasBorders(const Border& top, const Border& right, const Border& bottom, const Border& left) {
  return top.style != BorderStyle::kNone || right.style != BorderStyle::kNone ||
         bottom.style != BorderStyle::kNone || left.style != BorderStyle::kNone;
}

bool OnlyLineBreaks(std::string_view s) {
  return s.find_first_not_of('\n') == std::string_view::npos;
}

class Layout {
 public:
  explicit Layout(const Page& page) : page_(page) {
    grid_.formats.emplace_back();
    visible_.push_back(false);
    format_index_.emplace(CellFormat{}, 0);
    filler_budget_ = 1'000'000 + 4 * static_cast<std::uint64_t>(page.cells.size());
  }

  Grid LayOut() {
    MeasureAll();
    // A cell a table cell and a line, and room for the rest of merged
    // areas: growing past the estimate would double the array.
    grid_.cells.reserve(page_.cells.size() + page_.cells.size() / 8 + page_.body_block_count + 64);
    std::uint64_t row = 0;
    for (const Block& block : page_.Body()) {
      if (block.kind == Block::Kind::kParagraph) {
        row = PlaceLines(page_.ParagraphOf(block), row);
      } else {
        PlaceTable(block.index, row, 0);
        row += sizes_[block.index].rows;
      }
    }
    Finish();
    return std::move(grid_);
  }

  // The rows and columns LayOut's grid spans, without placing anything:
  // each line of text outside tables a row in the first column, each table
  // its measured size.
  GridExtent Extent() {
    MeasureAll();
    GridExtent extent;
    for (const Block& block : page_.Body()) {
      if (block.kind == Block::Kind::kParagraph) {
        const std::string_view text = page_.Text(page_.ParagraphOf(block));
        extent.rows += 1 + static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n'));
        extent.columns = std::max<std::uint64_t>(extent.columns, 1);
      } else {
        extent.rows += sizes_[block.index].rows;
        extent.columns = std::max(extent.columns, sizes_[block.index].columns);
      }
    }
    return extent;
  }

 private:
  // --- Measuring -----------------------------------------------------------

  // The rows and columns a cell's content takes: each run of paragraphs one
  // sheet cell, each table its size, stacked top to bottom.
  Size ContentSize(const Cell& cell) const {
    Size size{0, 1};
    bool in_text = false;
    for (const Block& block : page_.Blocks(cell)) {
      if (block.kind == Block::Kind::kParagraph) {
        if (!in_text) ++size.rows;
        in_text = true;
      } else {
        const Size& t = sizes_[block.index];
        size.rows += t.rows;
        size.columns = std::max(size.columns, t.columns);
        in_text = false;
      }
    }
    size.rows = std::max<std::uint64_t>(size.rows, 1);
    return size;
  }

  // Where a table's rows and columns start, as offsets from its top-left
  // (one more than there are rows and columns: the last is the size).
  struct Geometry {
    std::vector<std::uint64_t> rows;
    std::vector<std::uint64_t> columns;
  };

  // Needs the sizes of the tables the table holds. Computed again when the
  // table is placed, rather than kept for every table of the page.
  Geometry Measure(std::uint32_t t) const {
    const Table& table = page_.tables[t];
    std::vector<std::uint64_t> heights(table.row_count, 1);
    std::vector<std::uint64_t> widths(table.column_count, 1);
    struct Spanning {
      std::uint32_t row;
      const Cell* cell;
      Size size;
    };
    std::vector<Spanning> spanning;
    const auto rows = page_.Rows(table);
    for (std::uint32_t r = 0; r < rows.size(); ++r) {
      for (const Cell& cell : page_.Cells(rows[r])) {
        const Size size = ContentSize(cell);
        if (size.rows == 1 && size.columns == 1) continue;  // every place is at least 1 x 1
        if (cell.colspan == 1) widths[cell.column] = std::max(widths[cell.column], size.columns);
        if (cell.rowspan == 1) heights[r] = std::max(heights[r], size.rows);
        if (cell.colspan > 1 || cell.rowspan > 1) spanning.push_back(Spanning{r, &cell, size});
      }
    }
    // A spanning cell wider or taller than the places it spans widens
    // its last column or row.
    for (const Spanning& s : spanning) {
      if (s.cell->colspan > 1) {
        std::uint64_t sum = 0;
        for (std::uint32_t c = 0; c < s.cell->colspan; ++c)
          sum += widths[s.cell->column + c];
        if (s.size.columns > sum)
          widths[s.cell->column + s.cell->colspan - 1] += s.size.columns - sum;
      }
      if (s.cell->rowspan > 1) {
        std::uint64_t sum = 0;
        for (std::uint32_t r = 0; r < s.cell->rowspan; ++r)
          sum += heights[s.row + r];
        if (s.size.rows > sum) heights[s.row + s.cell->rowspan - 1] += s.size.rows - sum;
      }
    }
    auto prefix = [](const std::vector<std::uint64_t>& v) {
      std::vector<std::uint64_t> offsets(v.size() + 1, 0);
      for (std::size_t i = 0; i < v.size(); ++i)
        offsets[i + 1] = std::min(offsets[i] + v[i], kMaxExtent);
      return offsets;
    };
    return Geometry{prefix(heights), prefix(widths)};
  }

  // Inner tables come before outer ones in page.tables, so one pass in
  // order sizes each table after the tables it holds.
  void MeasureAll() {
    sizes_.resize(page_.tables.size());
    for (std::uint32_t t = 0; t < page_.tables.size(); ++t) {
      const Geometry geometry = Measure(t);
      sizes_[t] = Size{geometry.rows.back(), geometry.columns.back()};
    }
  }

  // --- Placing -------------------------------------------------------------

  // Text outside tables: one row a line, in the first column.
  std::uint64_t PlaceLines(const Paragraph& p, std::uint64_t row) {
    const std::string_view text = page_.Text(p);
    const std::uint32_t base = p.run_count > 0 ? page_.runs[p.first_run].offset : 0;
    std::size_t begin = 0;
    while (true) {
      const std::size_t end = std::min(text.find('\n', begin), text.size());
      const std::string_view line = text.substr(begin, end - begin);
      Extend(row, 0);
      if (!line.empty()) {
        FormatKey key;
        key.char_format = LineCharFormat(p, base + static_cast<std::uint32_t>(begin),
                                         base + static_cast<std::uint32_t>(end));
        key.paragraph_format = p.format;
        Put(row, 0, line, key, page_.paragraph_formats[p.format].number_format);
      }
      ++row;
      if (end >= text.size()) break;
      begin = end + 1;
    }
    return row;
  }

  // The format of the first run in [begin, end) with more than spaces.
  std::uint32_t LineCharFormat(const Paragraph& p, std::uint32_t begin, std::uint32_t end) const {
    std::uint32_t first = kNone;
    for (const Run& run : page_.Runs(p)) {
      const std::uint32_t from = std::max(run.offset, begin);
      const std::uint32_t to = std::min(run.offset + run.length, end);
      if (from >= to) continue;
      if (first == kNone) first = run.format;
      const std::string_view piece = std::string_view(page_.text).substr(from, to - from);
      if (piece.find_first_not_of(" \t") != std::string_view::npos) return run.format;
    }
    return first == kNone ? 0 : first;
  }

  void PlaceTable(std::uint32_t index, std::uint64_t top, std::uint64_t left) {
    const Table& table = page_.tables[index];
    const Size& size = sizes_[index];
    if (size.rows == 0) return;
    Extend(top + size.rows - 1, left + std::max<std::uint64_t>(size.columns, 1) - 1);
    const TableFormat& tf = page_.table_formats[table.format];
    const bool framed = HasBorders(tf.top, tf.right, tf.bottom, tf.left) && size.columns > 0;
    if (framed) {
      frames_.push_back(Frame{Area{top, left, top + size.rows - 1, left + size.columns - 1}, tf.top,
                              tf.right, tf.bottom, tf.left, kAutoColor});
    }
    const Geometry geometry = Measure(index);
    const auto& ro = geometry.rows;
    const auto& co = geometry.columns;
    const auto rows = page_.Rows(table);
    for (std::uint32_t r = 0; r < rows.size(); ++r) {
      for (const Cell& cell : page_.Cells(rows[r])) {
        const Area area{top + ro[r], left + co[cell.column], top + ro[r + cell.rowspan] - 1,
                        left + co[cell.column + cell.colspan] - 1};
        PlaceCell(cell, area);
      }
    }
    if (framed) frames_.pop_back();
  }

  void PlaceCell(const Cell& cell, const Area& area) {
    const auto blocks = page_.Blocks(cell);
    const bool holds_table = std::any_of(
        blocks.begin(), blocks.end(), [](const Block& b) { return b.kind == Block::Kind::kTable; });
    if (!holds_table) {
      PlaceTextCell(cell, blocks, area);
      return;
    }
    // A cell holding a table: its parts stack from the top-left; its edges
    // and fill show around and behind them.
    const TableCellFormat& cf = page_.cell_formats[cell.format];
    frames_.push_back(Frame{area, cf.top, cf.right, cf.bottom, cf.left, cf.background});
    std::uint64_t row = area.top;
    std::size_t i = 0;
    while (i < blocks.size()) {
      if (blocks[i].kind == Block::Kind::kTable) {
        const Size& size = sizes_[blocks[i].index];
        PlaceTable(blocks[i].index, row, area.left);
        FillRight(row, size.rows, area.left + size.columns, area.right, cell);
        row += size.rows;
        ++i;
        continue;
      }
      std::size_t j = i;
      while (j < blocks.size() && blocks[j].kind == Block::Kind::kParagraph)
        ++j;
      const auto run = blocks.subspan(i, j - i);
      std::string text = JoinedText(run);
      FormatKey key = TextKey(cell, run, text);
      key.no_borders = true;
      if (OnlyLineBreaks(text)) {
        PutFiller(row, area.left, key);
      } else {
        Put(row, area.left, text, key, page_.cell_formats[cell.format].number_format);
      }
      FillRight(row, 1, area.left + 1, area.right, cell);
      ++row;
      i = j;
    }
    FillRight(row, area.bottom + 1 - std::min(row, area.bottom + 1), area.left, area.right, cell);
    frames_.pop_back();
  }

  void PlaceTextCell(const Cell& cell, std::span<const Block> blocks, const Area& area) {
    const std::string text = JoinedText(blocks);
    const FormatKey key = TextKey(cell, blocks, text);
    std::uint32_t format = 0;
    if (OnlyLineBreaks(text)) {
      format = PutFiller(area.top, area.left, key);
    } else {
      format = Put(area.top, area.left, text, key, page_.cell_formats[cell.format].number_format);
    }
    if (area.bottom == area.top && area.right == area.left) return;
    if (area.bottom < kMaxExtent && area.right < kMaxExtent) {
      grid_.merges.push_back(
          Merge{static_cast<std::uint32_t>(area.top), static_cast<std::uint32_t>(area.left),
                static_cast<std::uint32_t>(area.bottom), static_cast<std::uint32_t>(area.right)});
    }
    // The rest of a merged area carries the format of its top-left cell.
    if (!frames_.empty()) {
      for (std::uint64_t r = area.top; r <= area.bottom && filler_budget_ > 0; ++r) {
        for (std::uint64_t c = area.left; c <= area.right; ++c) {
          if (r != area.top || c != area.left) PutFiller(r, c, key);
        }
      }
      return;
    }
    if (!visible_[format]) return;
    for (std::uint64_t r = area.top; r <= area.bottom; ++r) {
      for (std::uint64_t c = area.left; c <= area.right; ++c) {
        if ((r != area.top || c != area.left) &&
            !Emit(r, c, GridCell::Kind::kEmpty, {}, 0, format, true))
          return;
      }
    }
  }

  // Empty places of a table-holding cell: rows [row, row + rows), columns
  // [from, to].
  void FillRight(std::uint64_t row, std::uint64_t rows, std::uint64_t from, std::uint64_t to,
                 const Cell& cell) {
    if (from > to) return;
    FormatKey key;
    key.char_format = cell.char_format;
    key.cell_format = cell.format;
    key.no_borders = true;
    for (std::uint64_t r = row; r < row + rows && filler_budget_ > 0; ++r) {
      for (std::uint64_t c = from; c <= to; ++c)
        PutFiller(r, c, key);
    }
  }

  std::string JoinedText(std::span<const Block> paragraphs) const {
    std::string text;
    bool first = true;
    for (const Block& b : paragraphs) {
      if (b.kind != Block::Kind::kParagraph) continue;
      if (!first) text.push_back('\n');
      first = false;
      text.append(page_.Text(page_.ParagraphOf(b)));
    }
    return text;
  }

  FormatKey TextKey(const Cell& cell, std::span<const Block> paragraphs,
                    const std::string& text) const {
    FormatKey key;
    key.cell_format = cell.format;
    key.char_format = cell.char_format;
    key.wrap = text.find('\n') != std::string::npos && !OnlyLineBreaks(text);
    bool found = false;
    for (const Block& b : paragraphs) {
      if (b.kind != Block::Kind::kParagraph) continue;
      const Paragraph& p = page_.ParagraphOf(b);
      if (key.paragraph_format == kNone) key.paragraph_format = p.format;
      for (const Run& run : page_.Runs(p)) {
        if (page_.Text(run).find_first_not_of(" \t\n") != std::string_view::npos) {
          key.char_format = run.format;
          found = true;
          break;
        }
      }
      if (found) break;
    }
    return key;
  }

  // A value at (row, column): a number or a date when the text reads as
  // one (and the format does not keep text), else text.
  std::uint32_t Put(std::uint64_t row, std::uint64_t column, std::string_view text, FormatKey key,
                    const std::string& number_format) {
    if (number_format != "@" && text.find('\n') == std::string_view::npos) {
      std::optional<NumberReading> number = ReadNumber(text);
      if (!number) number = ReadDate(text);
      if (number) {
        const bool date = IsDateShape(number->shape);
        key.implied_wins = date && (number_format == "General" || !IsDateFormat(number_format));
        if (number_format.empty() || key.implied_wins) {
          key.implied_shape = number->shape;
          key.implied_decimals = number->decimals;
          key.implied_parentheses = number->parentheses;
        }
        const std::uint32_t format = FormatAt(key, row, column);
        if (Emit(row, column, GridCell::Kind::kNumber, {}, number->value, format, false)) {
          grid_.cells.back().date = date;
        }
        return format;
      }
    }
    const std::uint32_t format = FormatAt(key, row, column);
    Emit(row, column, GridCell::Kind::kText, text, 0, format, false);
    return format;
  }

  // An empty place that shows its format (border or fill), if it has one.
  std::uint32_t PutFiller(std::uint64_t row, std::uint64_t column, const FormatKey& key) {
    const std::uint32_t format = FormatAt(key, row, column);
    if (visible_[format]) Emit(row, column, GridCell::Kind::kEmpty, {}, 0, format, true);
    return format;
  }

  bool Emit(std::uint64_t row, std::uint64_t column, GridCell::Kind kind, std::string_view text,
            double number, std::uint32_t format, bool filler) {
    if (row >= kMaxExtent || column >= kMaxExtent) return false;
    if (filler) {
      if (filler_budget_ == 0) return false;
      --filler_budget_;
    }
    GridCell cell;
    cell.row = static_cast<std::uint32_t>(row);
    cell.column = static_cast<std::uint32_t>(column);
    cell.kind = kind;
    cell.format = format;
    cell.number = number;
    cell.text = std::string(text);
    grid_.cells.push_back(std::move(cell));
    return true;
  }

  void Extend(std::uint64_t last_row, std::uint64_t last_column) {
    rows_ = std::max(rows_, std::min(last_row + 1, kMaxExtent));
    columns_ = std::max(columns_, std::min(last_column + 1, kMaxExtent));
  }

  // --- Formats -------------------------------------------------------------

  // Whether a frame shows at (row, column): a fill anywhere inside it,
  // edges on its border.
  bool Framed(std::uint64_t row, std::uint64_t column) const {
    for (const Frame& frame : frames_) {
      if (frame.fill != kAutoColor || row == frame.area.top || row == frame.area.bottom ||
          column == frame.area.left || column == frame.area.right) {
        return true;
      }
    }
    return false;
  }

  std::uint32_t FormatAt(const FormatKey& key, std::uint64_t row, std::uint64_t column) {
    if (frames_.empty() || !Framed(row, column)) {
      if (auto it = key_index_.find(key); it != key_index_.end()) return it->second;
      const std::uint32_t index = Intern(Build(key));
      key_index_.emplace(key, index);
      return index;
    }
    CellFormat f = Build(key);
    for (auto frame = frames_.rbegin(); frame != frames_.rend(); ++frame) {
      if (f.fill == kAutoColor) f.fill = frame->fill;
      if (row == frame->area.top && f.top.style == BorderStyle::kNone) f.top = frame->top;
      if (row == frame->area.bottom && f.bottom.style == BorderStyle::kNone)
        f.bottom = frame->bottom;
      if (column == frame->area.left && f.left.style == BorderStyle::kNone) f.left = frame->left;
      if (column == frame->area.right && f.right.style == BorderStyle::kNone)
        f.right = frame->right;
    }
    return Intern(f);
  }

  CellFormat Build(const FormatKey& key) const {
    CellFormat f;
    f.font = page_.char_formats[key.char_format];
    f.wrap = key.wrap;
    std::string number_format;
    if (key.cell_format != kNone) {
      const TableCellFormat& cf = page_.cell_formats[key.cell_format];
      f.fill = cf.background;
      if (!key.no_borders) {
        f.top = cf.top;
        f.right = cf.right;
        f.bottom = cf.bottom;
        f.left = cf.left;
      }
      f.horizontal = key.paragraph_format != kNone
                         ? page_.paragraph_formats[key.paragraph_format].alignment
                         : cf.horizontal;
      f.vertical =
          cf.vertical == VerticalAlignment::kDefault ? VerticalAlignment::kBottom : cf.vertical;
      number_format = cf.number_format;
    } else if (key.paragraph_format != kNone) {
      const ParagraphFormat& pf = page_.paragraph_formats[key.paragraph_format];
      f.horizontal = pf.alignment;
      number_format = pf.number_format;
    }
    if (number_format.empty() || key.implied_wins) {
      number_format =
          ImpliedFormat(key.implied_shape, key.implied_decimals, key.implied_parentheses);
    }
    f.number_format = std::move(number_format);
    return f;
  }

  std::uint32_t Intern(const CellFormat& f) {
    if (auto it = format_index_.find(f); it != format_index_.end()) return it->second;
    const auto index = static_cast<std::uint32_t>(grid_.formats.size());
    format_index_.emplace(f, index);
    grid_.formats.push_back(f);
    visible_.push_back(f.fill != kAutoColor || HasBorders(f.top, f.right, f.bottom, f.left));
    return index;
  }

  void Finish() {
    auto by_place = [](const GridCell& a, const GridCell& b) {
      return a.row != b.row ? a.row < b.row : a.column < b.column;
    };
    if (!std::is_sorted(grid_.cells.begin(), grid_.cells.end(), by_place)) {
      // Sort small keys, then move each cell once.
      std::vector<std::pair<std::uint64_t, std::uint32_t>> order(grid_.cells.size());
      for (std::uint32_t i = 0; i < order.size(); ++i) {
        order[i] = {static_cast<std::uint64_t>(grid_.cells[i].row) << 32 | grid_.cells[i].column,
                    i};
      }
      std::sort(order.begin(), order.end());
      std::vector<GridCell> sorted;
      sorted.reserve(grid_.cells.size());
      for (const auto& entry : order)
        sorted.push_back(std::move(grid_.cells[entry.second]));
      grid_.cells = std::move(sorted);
    }
    std::sort(grid_.merges.begin(), grid_.merges.end(), [](const Merge& a, const Merge& b) {
      return a.first_row != b.first_row ? a.first_row < b.first_row
                                        : a.first_column < b.first_column;
    });
    grid_.row_count = static_cast<std::uint32_t>(rows_);
    grid_.column_count = static_cast<std::uint32_t>(columns_);
  }

  const Page& page_;
  Grid grid_;
  std::vector<Size> sizes_;
  std::vector<Frame> frames_;
  std::vector<bool> visible_;
  std::unordered_map<CellFormat, std::uint32_t, CellFormatHash> format_index_;
  std::unordered_map<FormatKey, std::uint32_t, FormatKeyHash> key_index_;
  std::uint64_t filler_budget_ = 0;
  std::uint64_t rows_ = 0;
  std::uint64_t columns_ = 0;
};

}  // namespace

Grid LayOutGrid(const Page& page) { return Layout(page).LayOut(); }

GridExtent MeasureGrid(const Page& page) { return Layout(page).Extent(); }

}  // namespace quorlex::automation::page
