#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "automation/document/property_pool.h"

namespace quorlex::automation::document {

// What the engine reads from a paragraph's properties to see the table
// structure: table paragraphs carry their nesting depth, and the paragraph
// that ends a row carries the row's properties.
struct TableMarks {
  int depth = 0;                // 0 outside tables, 1 in a table, 2 in a nested table...
  bool row_end = false;         // ends a row at its depth
  bool inner_cell_end = false;  // ends a cell of a nested table (depth > 1)
};

TableMarks DecodeTableMarks(std::string_view grpprl);

// Paragraph properties as the file keeps them: the style index followed by
// the property list. Interned like character properties; the table marks of
// each entry are decoded once.
class ParagraphPool {
 public:
  ParagraphPool();

  std::uint32_t Intern(std::uint16_t istd, std::string_view grpprl);
  std::uint32_t InternRaw(std::string_view istd_and_grpprl);

  std::uint16_t Istd(std::uint32_t id) const;
  std::string_view Grpprl(std::uint32_t id) const;
  // The style index and the list together, as a paragraph record holds them.
  const std::string& Raw(std::uint32_t id) const { return pool_.Get(id); }
  const TableMarks& Marks(std::uint32_t id) const { return marks_[id]; }
  std::size_t size() const { return pool_.size(); }

 private:
  PropertyPool pool_;
  std::vector<TableMarks> marks_;
};

}  // namespace quorlex::automation::document
