#pragma once

// The compound file around a workbook, as the workbook model keeps it: the
// "Workbook" stream on its own, every other stream and storage (document
// properties, a macro project...) in one flat list, in directory order.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "automation/compound/entry.h"
#include "automation/workbook/workbook.h"

namespace quorlex::automation::biff8 {

// The streams of a workbook file: the workbook stream and the others kept as they are.
struct WorkbookFile {
  // The workbook stream: "Workbook", or a "Book" stream that holds BIFF8
  // (some programs name it so); empty when there is neither.
  std::string workbook;
  bool has_biff5_book = false;                 // only a "Book" stream of Excel 5/95; it is left out
  std::vector<workbook::StoredStream> others;  // each storage before what it holds
  std::array<std::uint8_t, 16> root_clsid{};
};

// The tree of a compound file, taken apart. Names compare without regard to
// case, as in every compound file; the "Workbook" and "Book" streams are
// left out of `others` (a file is written back with "Workbook" alone).
WorkbookFile SplitWorkbookFile(automation::compound::Entry root);

// The tree of a compound file holding the workbook stream first, then the
// other streams and storages. An entry whose storage is not in the list is
// left out.
automation::compound::Entry JoinWorkbookFile(std::span<const std::uint8_t> workbook,
                                             const std::vector<workbook::StoredStream>& others,
                                             const std::array<std::uint8_t, 16>& root_clsid);

}  // namespace quorlex::automation::biff8
