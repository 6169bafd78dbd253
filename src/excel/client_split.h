#pragma once

#include "excel/post_processing.h"

namespace quorlex::excel {

// DAYREPO and DAYRUR: one worksheet per client block, named after the client
// in column 7 two rows below the block's title row, in page order; the data
// sheet keeps the first block.
void SplitByClient(const ReportWorkbook& report);

}  // namespace quorlex::excel
