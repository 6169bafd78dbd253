#pragma once

// The shared strings part of a workbook package: the strings of every text
// cell, gathered once before the sheets are written (each text cell's
// index kept in cell order, so that a sheet is written without looking
// strings up again), and the part streamed from them.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "automation/package/package.h"
#include "automation/workbook/workbook.h"

namespace quorlex::automation::spreadsheetml {

struct SharedStrings {
  struct Entry {
    std::string_view text;
    std::string_view runs;
  };
  std::vector<Entry> entries;
  std::vector<std::vector<std::uint32_t>> cell_indexes;  // by sheet, in cell order
  std::uint64_t references = 0;
};

SharedStrings GatherStrings(const workbook::Workbook& book);

std::shared_ptr<package::PartProducer> StringsPart(std::shared_ptr<const SharedStrings> strings,
                                                   const workbook::Styles& styles);

}  // namespace quorlex::automation::spreadsheetml
