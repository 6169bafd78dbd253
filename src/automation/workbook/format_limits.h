#pragma once

// What a file format can hold of a workbook (rows and columns of a sheet,
// characters of a cell) and the check that a workbook fits, with errors
// that say which sheet does not and what the format holds.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quorlex::automation::workbook {

class Workbook;

struct FormatLimits {
  std::uint32_t rows = 0;
  std::uint16_t columns = 0;
  std::size_t cell_chars = 0;
  std::string_view rows_text;     // "65 536"
  std::string_view columns_text;  // "256"
  std::string_view holder;        // what would not hold it: "Excel 97-2003"
  std::string_view bounds;        // whose bounds a merged area leaves
};

// Throws quorlex::Error (errors::kSpreadsheet) for the first sheet whose
// name, cells or merged areas the format cannot hold.
void CheckFormatLimits(const Workbook& book, const FormatLimits& limits);

}  // namespace quorlex::automation::workbook
