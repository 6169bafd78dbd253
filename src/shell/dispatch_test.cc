#include "shell/dispatch.h"

#include <gtest/gtest.h>

#include "automation/browser/browser.h"
#include "shell/run_log_tail.h"

namespace quorlex::shell {
namespace {

using testing::RunLogTail;

// The format is trimmed and upper-cased before it is compared. The
// converters find no settings beside the test program, so each ends in its
// own trap: which trap tells which converter ran.
TEST(Dispatch, EachFormatReachesItsConverter) {
  const std::pair<const char*, const char*> cases[] = {{" xls ", "(ConvertToExcel)"},
                                                       {"Doc", "(ConvertToWord)"}};
  for (const auto& [format, converter] : cases) {
    RunLogTail log;
    Form1 form;
    form.input_path = "/nonexistent/report~1.xml";
    form.output_format = format;
    appIE_DocumentComplete(form, form.input_path);
    bool trapped = false;
    for (const auto& line : log.Lines()) {
      trapped = trapped || line.rfind(std::string("ОШИБКА! ") + converter, 0) == 0;
    }
    EXPECT_TRUE(trapped) << format;
    EXPECT_FALSE(form.Loaded());
    EXPECT_EQ(form.Status(), ExitStatus::kFailed);
  }
}

TEST(Dispatch, AnUnknownFormatConvertsNothingAndFails) {
  Form1 form;
  form.output_format = "pdf";
  ::testing::internal::CaptureStderr();
  appIE_DocumentComplete(form, "");
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("неизвестный формат выходного файла «pdf»"), std::string::npos) << err;
  EXPECT_FALSE(form.Loaded());
  EXPECT_EQ(form.Status(), ExitStatus::kFailed);
}

TEST(Dispatch, ARenderingFailureIsLoggedAndEndsTheRun) {
  RunLogTail log;
  Form1 form;
  appIE_NavigateError(form, Error(errors::kRendering, "Не найдена таблица стилей x.xsl"));
  EXPECT_TRUE(log.Has("ОШИБКА! Не найдена таблица стилей x.xsl"));
  EXPECT_FALSE(form.Loaded());
  EXPECT_EQ(form.Status(), ExitStatus::kFailed);
}

// The loop delivers the browser's event; with nothing to deliver the run
// still ends, as failed, so the program never waits for ever.
TEST(Dispatch, TheMessageLoopDeliversTheEventOrEndsTheRun) {
  Form1 idle;
  RunMessageLoop(idle);
  EXPECT_FALSE(idle.Loaded());
  EXPECT_EQ(idle.Status(), ExitStatus::kFailed);

  Form1 form;
  form.appIE = std::make_shared<automation::browser::Browser>();
  std::string delivered;
  form.appIE->OnNavigateError([&](const Error& error) {
    delivered = error.Description();
    form.Unload();
  });
  form.appIE->Navigate("/nonexistent/report~1.xml");
  RunMessageLoop(form);
  EXPECT_FALSE(delivered.empty());
  EXPECT_FALSE(form.Loaded());
  EXPECT_EQ(form.Status(), ExitStatus::kDone);  // the handler decides
}

}  // namespace
}  // namespace quorlex::shell
