#pragma once

// What the pasted page carries for the browser only: the "Save as" and
// "Print" buttons, and the blank rows above them.

#include "automation/spreadsheet/application.h"

namespace quorlex::excel {

// Rows of the marker cells the page cleanup found.
struct MarkerRows {
  int save_as = 0;  // row of the last cell containing "SAVE AS", or 0
  int print = 0;    // row of the last cell reading "PRINT", or 0
};

// Clears every marker cell (value, four borders, fill) from row 1 down, and
// stops after the first row by which both kinds have been seen.
MarkerRows ClearMarkerCells(const automation::spreadsheet::Worksheet& sheet);

// Deletes every blank row from the top down to the last marker row.
void RemoveBlankRows(const automation::spreadsheet::Worksheet& sheet, const MarkerRows& markers);

}  // namespace quorlex::excel
