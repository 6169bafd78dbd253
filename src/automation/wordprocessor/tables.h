#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace quorlex::automation::wordprocessor {

struct DocumentState;
class Rows;

// A table of the main text. The handle refers to the table as it was when it
// was taken: after an edit that moves or removes it, its members are refused
// (take it again from Tables).
class Table {
 public:
  wordprocessor::Rows Rows() const;

 private:
  friend class Tables;
  friend class Rows;
  friend class Row;

  Table(std::shared_ptr<DocumentState> state, std::size_t ordinal, std::uint64_t generation);

  std::shared_ptr<DocumentState> state_;
  std::size_t ordinal_;       // 0-based among the main text's tables
  std::uint64_t generation_;  // edit count of the document when taken
};

// The main text's tables in document order, numbered from 1.
class Tables {
 public:
  // The table numbered index, or an empty reference when the document has
  // no such table (no table at all, or fewer than index). An index below 1
  // is refused.
  std::optional<Table> Item(int index) const;
  int Count() const;

 private:
  friend class Document;

  explicit Tables(std::shared_ptr<DocumentState> state);

  std::shared_ptr<DocumentState> state_;
};

// One row of a table, numbered from 1.
class Row {
 public:
  // Removes the row with everything in it (nested tables included). Cells
  // below that a vertical merge started in this row start the merge
  // themselves. Deleting the only row removes the table.
  void Delete();

 private:
  friend class Rows;

  Row(Table table, int index);

  Table table_;
  int index_;  // 1-based
};

// The rows of a table.
class Rows {
 public:
  // An index outside 1..Count() is refused.
  Row Item(int index) const;
  int Count() const;

 private:
  friend class Table;

  explicit Rows(Table table);

  Table table_;
};

}  // namespace quorlex::automation::wordprocessor
