#pragma once

#include "automation/spreadsheet/constants.h"
#include "conversion/context.h"

namespace quorlex::excel {

// What the workbook conversion writes: the extensions of the output and of
// the template it is made from, and the file format given to SaveAs.
struct WorkbookFormat {
  const char* output_extension;
  const char* template_extension;
  int file_format;
  int max_rows;  // the rows and columns one sheet of the format holds
  int max_columns;
};

// Excel 97-2003 from <CODE>.xlt; an Excel workbook package (.xlsx) from
// <CODE>.xltx.
inline constexpr WorkbookFormat kExcel97{".xls", ".xlt", automation::spreadsheet::xlWorkbookNormal,
                                         65536, 256};
inline constexpr WorkbookFormat kExcelXml{
    ".xlsx", ".xltx", automation::spreadsheet::xlOpenXMLWorkbook, 1048576, 16384};

// Turns the rendered page into a workbook saved at the output path, then
// ends the run. Every failure ends in the converter's trap.
void ConvertToExcel(conversion::ConversionContext& context,
                    const WorkbookFormat& format = kExcel97);

}  // namespace quorlex::excel
