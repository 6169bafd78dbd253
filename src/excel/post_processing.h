#pragma once

#include <string>

#include "automation/spreadsheet/application.h"
#include "conversion/context.h"

namespace quorlex::excel {

// What a report treatment works on.
struct ReportWorkbook {
  std::string code;   // trimmed, upper-cased report code
  std::string title;  // trimmed, upper-cased report title, or empty
  automation::spreadsheet::Application& app;
  automation::spreadsheet::Workbook& book;
  automation::spreadsheet::Worksheet data;  // the first worksheet, holding the page
  conversion::ProgressSink& progress;
};

// Chooses the treatment of the report code, if it has one, and runs it
// between the two run-log lines that frame it.
void PostProcessWorkbook(conversion::ConversionContext& context, const ReportWorkbook& report);

}  // namespace quorlex::excel
