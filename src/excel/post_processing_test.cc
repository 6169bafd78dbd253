#include "excel/post_processing.h"

#include "excel/test_workbook.h"

namespace quorlex::excel {
namespace {

using PostProcessing = testing::WorkbookTest;

TEST_F(PostProcessing, AListedCodeIsFramedByTwoLogLinesEvenWithNothingToChange) {
  conversion::RecordingContext context;
  PostProcessWorkbook(context, Report("DAYFEEGZP", ""));
  EXPECT_EQ(context.Log(), (std::vector<std::string>{"[t]    Дополнительная обработка ...",
                                                     "[t]    Дополнительная обработка завершена"}));
  EXPECT_EQ(data.Cells(8, 5).NumberFormat(), "#,##0.0000");
}

// Codes are compared whole and as they are: a longer code, or one in lower
// case, chooses nothing and logs nothing.
TEST_F(PostProcessing, OtherCodesPassThroughUntouched) {
  conversion::RecordingContext context;
  for (const char* code : {"DAYFEEGZP2", "dayfeegzp", "", "FEE_ZID"}) {
    PostProcessWorkbook(context, Report(code, ""));
  }
  EXPECT_TRUE(context.Log().empty());
  EXPECT_EQ(data.Cells(8, 5).NumberFormat(), "General");
}

TEST_F(PostProcessing, AFailedTreatmentLogsNoFinish) {
  conversion::RecordingContext context;
  data.Cells(1, 19).AddComment("из шаблона");
  EXPECT_ANY_THROW(PostProcessWorkbook(context, Report("RMSDAYCLR", "")));
  EXPECT_EQ(context.Log(), (std::vector<std::string>{"[t]    Дополнительная обработка ..."}));
}

}  // namespace
}  // namespace quorlex::excel
