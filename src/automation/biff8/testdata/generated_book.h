#pragma once

// A workbook that exercises what the engine generates itself (comments with
// their drawing, sheet copies and band copies, deleted rows, formats, a
// custom palette), for the checks with independent readers.

#include <memory>

#include "automation/workbook/workbook.h"

namespace quorlex::automation::biff8 {

std::unique_ptr<workbook::Workbook> GeneratedBook();

}  // namespace quorlex::automation::biff8
