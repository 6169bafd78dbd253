#pragma once

// Lists of cell areas as BIFF8 records carry them (the cells a conditional
// format or a validation applies to): a 16-bit count, then each area's
// first row, last row, first column and last column, 16 bits each.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "automation/workbook/cells.h"

namespace quorlex::automation::workbook {

// The areas of the list at `at`; `end` receives the offset after it.
std::vector<Area> ReadSqref(const std::vector<std::uint8_t>& data, std::size_t at,
                            std::size_t* end = nullptr);
void AppendSqref(std::vector<std::uint8_t>& out, const std::vector<Area>& areas);

Area ReadRef8(const std::vector<std::uint8_t>& data, std::size_t at);
void PutRef8(std::vector<std::uint8_t>& data, std::size_t at, const Area& area);

// The smallest area holding all of them (the first one when alone).
Area BoundingArea(const std::vector<Area>& areas);

}  // namespace quorlex::automation::workbook
