// Tables, row groups, rows and cells: collected while open, laid out into
// the page when the table ends.

#include <algorithm>

#include "automation/page/page_builder.h"
#include "automation/page/table_grid.h"
#include "platform/text.h"

namespace quorlex::automation::page {
namespace {

using platform::IsAsciiSpace;
using platform::LowerAsciiInto;

// <table border>: no number is 1, border="0" is none.
std::uint32_t BorderAttributeWidth(std::string_view value) {
  std::size_t i = 0;
  while (i < value.size() && IsAsciiSpace(value[i]))
    ++i;
  if (i < value.size() && value[i] == '+') ++i;
  std::uint32_t width = 0;
  bool digits = false;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    digits = true;
    width = std::min<std::uint32_t>(width * 10 + static_cast<std::uint32_t>(value[i] - '0'), 1000);
  }
  return digits ? width : 1;
}

}  // namespace

PageBuilder::OpenTable* PageBuilder::InnermostTable() {
  return structure_.back() == Structure::kTable ? &tables_.back() : nullptr;
}

void PageBuilder::StartTable(std::uint32_t style, std::span<const HtmlAttribute> attributes) {
  FlushParagraph();
  content_started_ = true;
  OpenTable t;
  t.style = style;
  t.format = TableFormatOf(style, attributes);
  if (HasAttribute(attributes, "border")) {
    std::string rules;
    LowerAsciiInto(AttributeValue(attributes, "rules"), rules);
    t.context.has_border =
        BorderAttributeWidth(AttributeValue(attributes, "border")) > 0 && rules != "none";
  }
  t.border_color = std::string(AttributeValue(attributes, "bordercolor"));
  t.rows_begin = static_cast<std::uint32_t>(pending_rows_.size());
  t.cells_begin = static_cast<std::uint32_t>(pending_cells_.size());
  tables_.push_back(std::move(t));
  structure_.push_back(Structure::kTable);
  ++table_depth_;
}

void PageBuilder::EndTable() {
  if (structure_.back() != Structure::kTable) return;
  if (tables_.back().in_row) EndRow();
  FlushParagraph();  // text that stood loose in the table comes before it
  OpenTable& t = tables_.back();

  // Display order: the first head group on top, the first foot group at
  // the bottom, the rest as they come.
  const std::span<const PendingRow> rows(pending_rows_.data() + t.rows_begin,
                                         pending_rows_.size() - t.rows_begin);
  std::uint32_t head = kNone, foot = kNone;
  for (std::uint32_t g = 0; g < t.group_kinds.size(); ++g) {
    if (head == kNone && t.group_kinds[g] == static_cast<std::uint8_t>(Tag::kThead)) head = g;
    if (foot == kNone && t.group_kinds[g] == static_cast<std::uint8_t>(Tag::kTfoot)) foot = g;
  }
  std::vector<std::uint32_t> order;
  order.reserve(rows.size());
  for (std::uint32_t r = 0; r < rows.size(); ++r) {
    if (rows[r].group == head) order.push_back(r);
  }
  for (std::uint32_t r = 0; r < rows.size(); ++r) {
    if (rows[r].group != head && rows[r].group != foot) order.push_back(r);
  }
  for (std::uint32_t r = 0; r < rows.size(); ++r) {
    if (rows[r].group == foot) order.push_back(r);
  }
  std::vector<RowSlice> slices(order.size());
  for (std::size_t i = order.size(); i-- > 0;) {
    const PendingRow& row = rows[order[i]];
    slices[i].first_cell = row.cells_begin - t.cells_begin;
    slices[i].cell_count = row.cell_count;
    const bool same_group_next = i + 1 < order.size() && rows[order[i + 1]].group == row.group;
    slices[i].group_end =
        same_group_next ? slices[i + 1].group_end : static_cast<std::uint32_t>(i + 1);
  }
  const std::span<Cell> cells(pending_cells_.data() + t.cells_begin,
                              pending_cells_.size() - t.cells_begin);
  const std::uint32_t columns = PlaceCells(slices, cells);

  Table table;
  table.first_row = static_cast<std::uint32_t>(page_.rows.size());
  table.row_count = static_cast<std::uint32_t>(order.size());
  table.column_count = columns;
  table.format = t.format;
  for (std::size_t i = 0; i < order.size(); ++i) {
    Row row;
    row.first_cell = static_cast<std::uint32_t>(page_.cells.size());
    row.header = rows[order[i]].header;
    for (std::uint32_t c = 0; c < slices[i].cell_count; ++c) {
      const Cell& cell = cells[slices[i].first_cell + c];
      if (cell.colspan == 0) continue;  // beyond the widest table we keep
      page_.cells.push_back(cell);
    }
    row.cell_count = static_cast<std::uint32_t>(page_.cells.size()) - row.first_cell;
    page_.rows.push_back(row);
  }
  const std::uint32_t rows_begin = t.rows_begin;
  const std::uint32_t cells_begin = t.cells_begin;
  pending_rows_.resize(rows_begin);
  pending_cells_.resize(cells_begin);
  tables_.pop_back();
  structure_.pop_back();
  --table_depth_;
  pending_blocks_.push_back(
      Block{Block::Kind::kTable, static_cast<std::uint32_t>(page_.tables.size())});
  page_.tables.push_back(table);
}

void PageBuilder::StartRowGroup(Tag tag, std::uint32_t style) {
  OpenTable& t = tables_.back();
  if (t.in_row) EndRow();
  FlushParagraph();
  t.in_group = true;
  t.group = static_cast<std::uint32_t>(t.group_kinds.size());
  t.group_kinds.push_back(static_cast<std::uint8_t>(tag));
  t.group_style = style;
  t.direct_group = kNone;
}

void PageBuilder::EndRowGroup() {
  OpenTable* t = InnermostTable();
  if (t == nullptr) return;
  if (t->in_row) EndRow();
  FlushParagraph();
  t->in_group = false;
}

void PageBuilder::StartRow(std::uint32_t style, bool implicit) {
  OpenTable& t = tables_.back();
  if (t.in_row) EndRow();
  FlushParagraph();
  std::uint32_t group = t.group;
  if (!t.in_group) {
    if (t.direct_group == kNone) {
      t.direct_group = static_cast<std::uint32_t>(t.group_kinds.size());
      t.group_kinds.push_back(static_cast<std::uint8_t>(Tag::kOther));
    }
    group = t.direct_group;
  }
  t.in_row = true;
  t.row_implicit = implicit;
  t.row_cells_begin = static_cast<std::uint32_t>(pending_cells_.size());
  t.row_group = group;
  t.row_style = style;
  t.row_header = t.group_kinds[group] == static_cast<std::uint8_t>(Tag::kThead);
}

void PageBuilder::EndRow() {
  OpenTable* t = InnermostTable();
  if (t == nullptr || !t->in_row) return;
  PendingRow row;
  row.cells_begin = t->row_cells_begin;
  row.cell_count = static_cast<std::uint32_t>(pending_cells_.size()) - t->row_cells_begin;
  row.group = t->row_group;
  row.header = t->row_header;
  pending_rows_.push_back(row);
  t->in_row = false;
  FlushParagraph();
}

void PageBuilder::StartCell(Tag tag, std::uint32_t style,
                            std::span<const HtmlAttribute> attributes) {
  OpenTable& t = tables_.back();
  if (!t.in_row) StartRow(0, true);
  FlushParagraph();
  content_started_ = true;
  // What shows through a cell without a background of its own.
  Rgb behind = StyleOf(t.row_style).background;
  if (behind == kAutoColor && t.in_group) behind = StyleOf(t.group_style).background;
  if (behind == kAutoColor) behind = StyleOf(t.style).background;

  Container c;
  c.is_cell = true;
  c.blocks_begin = static_cast<std::uint32_t>(pending_blocks_.size());
  c.cell.colspan = ParseColspan(AttributeValue(attributes, "colspan"));
  c.cell.rowspan =
      HasAttribute(attributes, "rowspan") ? ParseRowspan(AttributeValue(attributes, "rowspan")) : 1;
  c.cell.format = CellFormatOf(style, behind);
  c.cell.char_format = CharFormatOf(style);
  c.cell.header = tag == Tag::kTh;
  containers_.push_back(std::move(c));
  structure_.push_back(Structure::kContainer);
}

void PageBuilder::EndCell() {
  if (structure_.back() != Structure::kContainer || containers_.size() < 2) return;
  FlushParagraph();
  Container& c = containers_.back();
  Cell cell = c.cell;
  cell.first_block = static_cast<std::uint32_t>(page_.blocks.size());
  cell.block_count = static_cast<std::uint32_t>(pending_blocks_.size()) - c.blocks_begin;
  page_.blocks.insert(page_.blocks.end(), pending_blocks_.begin() + c.blocks_begin,
                      pending_blocks_.end());
  pending_blocks_.resize(c.blocks_begin);
  containers_.pop_back();
  structure_.pop_back();
  pending_cells_.push_back(cell);
}

}  // namespace quorlex::automation::page
