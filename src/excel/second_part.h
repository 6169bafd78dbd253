#pragma once

#include "excel/post_processing.h"

namespace quorlex::excel {

// FEE_ZID_1: the part of the page from its last title row on moves to the
// template's second worksheet; the first worksheet starts at its own title.
void MoveSecondPart(const ReportWorkbook& report);

}  // namespace quorlex::excel
