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

// True when the report code's treatment spreads the page over several
// sheets, so that the pasted page may be longer than one sheet holds.
bool TreatmentSplitsPage(const std::string& code);

// Chooses the treatment of the report code, if it has one, and runs it
// between the two run-log lines that frame it.
void PostProcessWorkbook(conversion::ConversionContext& context, const ReportWorkbook& report);

}  // namespace quorlex::excel
