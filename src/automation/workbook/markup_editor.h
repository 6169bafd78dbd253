#pragma once

// Markup that another file format's reader keeps and that names rows and
// sheets (formulas as text, drawing anchors, ranges of charts): it is told
// of every change of rows and of every sheet copy once the engine has made
// it, so that it can follow the cells as the engine's own references do.

#include <cstddef>
#include <vector>

#include "automation/workbook/row_edit.h"

namespace quorlex::automation::workbook {

class Workbook;

class MarkupEditor {
 public:
  virtual ~MarkupEditor() = default;

  // Rows were deleted or moved (indexes as they are now).
  virtual void RowsEdited(Workbook& book, const RowEdit& edit) = 0;
  // Sheet `copy` was just inserted as a copy of `source` (indexes after the
  // insertion); `cuts` are the row deletions made on the copy with it.
  virtual void SheetCopied(Workbook& book, std::size_t source, std::size_t copy,
                           const std::vector<RowEdit>& cuts) = 0;
};

}  // namespace quorlex::automation::workbook
