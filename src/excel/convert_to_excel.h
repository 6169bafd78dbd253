#pragma once

#include "shell/form1.h"

namespace quorlex::excel {

// Turns the rendered page into a workbook saved at the output path, then
// unloads the form. Every failure ends in the converter's own trap.
void ConvertToExcel(shell::Form1& form);

}  // namespace quorlex::excel
