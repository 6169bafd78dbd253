#pragma once

// A worksheet part streamed from the model while the package is saved:
// rows and cells, dimension, columns and merged areas from the model,
// everything else as kept (as its references' edits left it), in the
// schema's order.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "automation/package/package.h"
#include "automation/spreadsheetml/kept_references.h"
#include "automation/spreadsheetml/source.h"
#include "automation/spreadsheetml/strings_part.h"
#include "automation/workbook/workbook.h"

namespace quorlex::automation::spreadsheetml {

struct SheetPlan {
  std::string part;
  const std::vector<KeptElement>* children = nullptr;  // kept, as edited
  std::string legacy_drawing_id;                       // when notes are written
  bool selected = false;
};

std::shared_ptr<package::PartProducer> SheetPart(const workbook::Workbook& book, std::size_t index,
                                                 SheetPlan plan,
                                                 std::shared_ptr<const SharedStrings> strings,
                                                 const KeptReferences& references);

}  // namespace quorlex::automation::spreadsheetml
