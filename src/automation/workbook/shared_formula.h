#pragma once

// Shared formulas taken apart: the formula a cell of a shared-formula range
// computes, as a formula of its own. Every cell's references then follow
// deleted and moved rows by themselves, as Excel's own formulas do.

#include <cstdint>
#include <span>
#include <vector>

namespace quorlex::automation::workbook {

// The tokens of a shared formula (relative references as offsets, PtgRefN
// and PtgAreaN) as the cell at (row, col) reads them: plain references
// with the cell's coordinates.
std::vector<std::uint8_t> UnshareFormula(std::span<const std::uint8_t> rgce, std::uint32_t row,
                                         std::uint16_t col);

}  // namespace quorlex::automation::workbook
