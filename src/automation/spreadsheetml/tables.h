#pragma once

// Tables (a table part per table, named from its sheet's tableParts) as
// rows are deleted and sheets copied: a table's range and its filter
// follow its rows, a table whose header row is deleted goes, and a copy's
// table gets an id and a name of its own, which Excel wants unique in the
// workbook.

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "automation/workbook/row_edit.h"

namespace quorlex::automation::spreadsheetml {

// The table part after `edit`, on the sheet at `index`; nullopt when the
// table goes with the rows.
std::optional<std::string> TableAfterRows(const std::string& xml, std::size_t index,
                                          const workbook::RowEdit& edit);

// The ids and names of a workbook's tables, to give copies their own.
class TableNames {
 public:
  // Notes a table part's id and name as read.
  void Add(const std::string& xml);
  // The part with a new id and a name of its own ("Table1_2").
  std::string Renamed(const std::string& xml);

 private:
  std::uint32_t last_id_ = 0;
  std::set<std::string> names_;  // upper-cased
};

}  // namespace quorlex::automation::spreadsheetml
