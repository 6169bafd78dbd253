#pragma once

#include "excel/post_processing.h"

namespace quorlex::excel {

// RMSDAYCLR: five decimals in columns J and Q from row 7 down, and a hidden
// note on column S of the last used row explaining the total.
void FormatClearingReport(const ReportWorkbook& report);

// DAYFEEGZP: four and five decimals on the rate and amount cells.
void FormatFeeReport(const ReportWorkbook& report);

}  // namespace quorlex::excel
