#pragma once

// Builds page models by hand for tests, as the page parser would lay them
// out (children contiguous, formats interned, cells placed on the grid).

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "automation/page/page.h"

namespace quorlex::automation::wordprocessor::testing {

// A cell of a page built by a test.
struct TestCell {
  std::vector<page::Block> blocks;
  std::uint32_t colspan = 1;
  std::uint32_t rowspan = 1;
  std::uint32_t format = 0;
};

// Builds small pages for the tests.
class TestPage {
 public:
  TestPage() {
    page_.char_formats.emplace_back();
    page_.paragraph_formats.emplace_back();
    page_.cell_formats.emplace_back();
    page_.table_formats.emplace_back();
  }

  std::uint32_t Char(const page::CharFormat& f) { return Add(page_.char_formats, f); }
  std::uint32_t Cell(const page::TableCellFormat& f) { return Add(page_.cell_formats, f); }
  std::uint32_t TableFormat(const page::TableFormat& f) { return Add(page_.table_formats, f); }
  std::uint32_t ParagraphFormat(const page::ParagraphFormat& f) {
    return Add(page_.paragraph_formats, f);
  }

  // A paragraph of runs (text, character format).
  page::Block Paragraph(const std::vector<std::pair<std::string, std::uint32_t>>& runs,
                        std::uint8_t heading = 0, std::uint32_t format = 0) {
    page::Paragraph p;
    p.first_run = static_cast<std::uint32_t>(page_.runs.size());
    for (const auto& [text, char_format] : runs) {
      page_.runs.push_back({static_cast<std::uint32_t>(page_.text.size()),
                            static_cast<std::uint32_t>(text.size()), char_format});
      page_.text += text;
    }
    p.run_count = static_cast<std::uint32_t>(runs.size());
    p.heading = heading;
    p.format = format;
    page_.paragraphs.push_back(p);
    return {page::Block::Kind::kParagraph, static_cast<std::uint32_t>(page_.paragraphs.size() - 1)};
  }
  page::Block Text(const std::string& text, std::uint32_t char_format = 0) {
    return Paragraph({{text, char_format}});
  }
  page::Block ListItem(const std::string& text, std::uint8_t level, bool ordered,
                       std::uint32_t number) {
    page::Block b = Text(text);
    page::Paragraph& p = page_.paragraphs[b.index];
    p.list_level = level;
    p.list_ordered = ordered;
    p.list_item_start = true;
    p.list_number = number;
    return b;
  }

  // A table: rows of cells, placed on the grid as the HTML table algorithm
  // places them.
  page::Block Table(const std::vector<std::vector<TestCell>>& rows, std::uint32_t format = 0,
                    const std::vector<bool>& header_rows = {}) {
    std::map<std::pair<std::uint32_t, std::uint32_t>, bool> held;  // (row, column)
    std::uint32_t columns = 0;
    std::vector<page::Row> made_rows;
    for (std::uint32_t r = 0; r < rows.size(); ++r) {
      page::Row row;
      row.first_cell = static_cast<std::uint32_t>(page_.cells.size());
      row.header = r < header_rows.size() && header_rows[r];
      std::uint32_t column = 0;
      for (const TestCell& spec : rows[r]) {
        while (held.count({r, column}))
          ++column;
        page::Cell cell;
        cell.first_block = static_cast<std::uint32_t>(page_.blocks.size());
        page_.blocks.insert(page_.blocks.end(), spec.blocks.begin(), spec.blocks.end());
        cell.block_count = static_cast<std::uint32_t>(spec.blocks.size());
        cell.column = column;
        cell.colspan = spec.colspan;
        cell.rowspan =
            std::min<std::uint32_t>(spec.rowspan, static_cast<std::uint32_t>(rows.size()) - r);
        cell.format = spec.format;
        for (std::uint32_t dr = 0; dr < cell.rowspan; ++dr) {
          for (std::uint32_t dc = 0; dc < cell.colspan; ++dc)
            held[{r + dr, column + dc}] = true;
        }
        column += cell.colspan;
        columns = std::max(columns, column);
        page_.cells.push_back(cell);
      }
      row.cell_count = static_cast<std::uint32_t>(page_.cells.size()) - row.first_cell;
      made_rows.push_back(row);
    }
    page::Table table;
    table.first_row = static_cast<std::uint32_t>(page_.rows.size());
    page_.rows.insert(page_.rows.end(), made_rows.begin(), made_rows.end());
    table.row_count = static_cast<std::uint32_t>(made_rows.size());
    table.column_count = columns;
    table.format = format;
    page_.tables.push_back(table);
    return {page::Block::Kind::kTable, static_cast<std::uint32_t>(page_.tables.size() - 1)};
  }

  // Plain text cells: each string one paragraph.
  page::Block TextTable(const std::vector<std::vector<std::string>>& rows,
                        std::uint32_t cell_format = 0) {
    std::vector<std::vector<TestCell>> cells;
    for (const auto& row : rows) {
      cells.emplace_back();
      for (const auto& text : row) {
        TestCell cell;
        if (!text.empty()) cell.blocks.push_back(Text(text));
        cell.format = cell_format;
        cells.back().push_back(cell);
      }
    }
    return Table(cells);
  }

  page::Page Build(const std::vector<page::Block>& body) {
    page_.body_first_block = static_cast<std::uint32_t>(page_.blocks.size());
    page_.blocks.insert(page_.blocks.end(), body.begin(), body.end());
    page_.body_block_count = static_cast<std::uint32_t>(body.size());
    return page_;
  }

 private:
  template <typename T>
  static std::uint32_t Add(std::vector<T>& v, const T& value) {
    for (std::size_t i = 0; i < v.size(); ++i) {
      if (v[i] == value) return static_cast<std::uint32_t>(i);
    }
    v.push_back(value);
    return static_cast<std::uint32_t>(v.size() - 1);
  }

  page::Page page_;
};

}  // namespace quorlex::automation::wordprocessor::testing
