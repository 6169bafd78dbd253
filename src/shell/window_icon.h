#pragma once

#include <cstdint>
#include <vector>

namespace quorlex::shell {

// The window's icon, drawn in the 16 colours of the classic palette: a report
// sheet with a table, and an arrow carrying it into a spreadsheet. Returns
// RGB pixels, size x size, row by row; size is 16 or 32.
std::vector<std::uint8_t> DrawWindowIcon(int size);

}  // namespace quorlex::shell
