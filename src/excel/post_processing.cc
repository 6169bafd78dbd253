#include "excel/post_processing.h"

#include <array>

#include "excel/client_split.h"
#include "excel/fixed_cells.h"
#include "excel/second_part.h"

namespace quorlex::excel {
namespace {

struct Treatment {
  const char* code;
  void (*run)(const ReportWorkbook&);
};

// In the order the codes are compared; the first match is taken.
constexpr std::array<Treatment, 5> kTreatments = {{
    {"DAYREPO", SplitByClient},
    {"DAYRUR", SplitByClient},
    {"RMSDAYCLR", FormatClearingReport},
    {"DAYFEEGZP", FormatFeeReport},
    {"FEE_ZID_1", MoveSecondPart},
}};

}  // namespace

bool TreatmentSplitsPage(const std::string& code) {
  for (const Treatment& treatment : kTreatments) {
    if (code == treatment.code) return treatment.run == SplitByClient;
  }
  return false;
}

void PostProcessWorkbook(conversion::ConversionContext& context, const ReportWorkbook& report) {
  bool processed = false;
  for (const Treatment& treatment : kTreatments) {
    if (report.code != treatment.code) continue;
    processed = true;
    context.WriteLog("   Дополнительная обработка ...", true);
    treatment.run(report);
    break;
  }
  if (processed) context.WriteLog("   Дополнительная обработка завершена", true);
}

}  // namespace quorlex::excel
