#pragma once

// Drawing identifiers of the whole workbook, given out when saving: each
// sheet's drawing, taken apart or kept as records (chart sheets), gets a
// drawing id and clusters of shape ids, and the drawing group's table is
// written to match.

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "automation/workbook/workbook.h"

namespace quorlex::automation::biff8 {

// Drawing and shape identifiers planned for every sheet before the workbook is written.
struct DrawingIds {
  std::vector<std::uint32_t> dg_id;      // per sheet, 0 when none
  std::vector<std::uint32_t> spid_base;  // per sheet
  std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>>
      clusters;  // cluster -> (dg, used)
  std::uint32_t shapes = 0;
  std::uint32_t drawings = 0;
};

// Throws quorlex::Error when the drawings need more identifiers than a
// workbook can hold.
DrawingIds PlanDrawings(const workbook::Workbook& book);

// The MSODRAWINGGROUP body: the identifier table, then what the workbook's
// own group held (pictures, default properties) or defaults.
std::vector<std::uint8_t> DrawingGroupBody(const workbook::Workbook& book, const DrawingIds& plan);

}  // namespace quorlex::automation::biff8
