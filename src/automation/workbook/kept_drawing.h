#pragma once

// A drawing layer kept as the records it was read in (a chart sheet's, or
// one the engine could not take apart): how many shape identifiers it uses,
// and its records with a drawing identifier and shape identifiers of its
// own, so that copies of the sheet do not repeat the source's.

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "automation/workbook/sheet.h"

namespace quorlex::automation::workbook {

// Shape identifiers the layer among `items` uses (its shapes and their
// group), 0 when the sheet keeps none.
std::uint32_t KeptDrawingShapes(const std::vector<SheetItem>& items);

// The layer's records with drawing id `dg_id` and shape ids from
// `spid_base` on, by their index in `items`. Each keeps its length.
std::map<std::size_t, Record> RenumberKeptDrawing(const std::vector<SheetItem>& items,
                                                  std::uint32_t dg_id, std::uint32_t spid_base);

}  // namespace quorlex::automation::workbook
