#pragma once

#include "conversion/context.h"

namespace quorlex::excel {

// Turns the rendered page into a workbook saved at the output path, then
// ends the run. Every failure ends in the converter's trap.
void ConvertToExcel(conversion::ConversionContext& context);

}  // namespace quorlex::excel
