#pragma once

// Replacing tokens of a BIFF8 formula by tokens of another length. The
// control tokens that jump over others (IF, CHOOSE, their skips) and the
// lengths of memory subexpressions count bytes, so they are recounted.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quorlex::automation::workbook {

// The token at `at` becomes `bytes`.
struct PtgReplacement {
  std::size_t at = 0;
  std::vector<std::uint8_t> bytes;
};

// The formula with the replacements made (each at the start of a token,
// in ascending order). Returns the formula unchanged when its tokens do not
// parse.
std::vector<std::uint8_t> ReplacePtgs(std::span<const std::uint8_t> rgce,
                                      const std::vector<PtgReplacement>& replacements);

}  // namespace quorlex::automation::workbook
