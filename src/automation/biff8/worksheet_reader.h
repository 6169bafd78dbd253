#pragma once

// Reading one worksheet's substream into the engine: cells, rows, columns,
// merged areas, hyperlinks, the drawing layer with its comments, and every
// other record kept in its place.

#include <string>
#include <utility>
#include <vector>

#include "automation/biff8/records.h"
#include "automation/workbook/sheet.h"

namespace quorlex::automation::biff8 {

// The shared strings: text and formatting runs.
using SharedStringList = std::vector<std::pair<std::string, std::string>>;

// Reads from after the BOF up to and including the worksheet's EOF.
void ReadWorksheet(RecordReader& in, workbook::Sheet& sheet, const SharedStringList& strings);

// An embedded substream (a chart in a worksheet) from its BOF to its EOF.
std::vector<workbook::Record> ReadEmbeddedSubstream(RecordReader& in, workbook::Record bof);

}  // namespace quorlex::automation::biff8
