#include "shell/start_up.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "automation/browser/browser.h"
#include "shell/run_log_tail.h"

namespace quorlex::shell {
namespace {

using testing::RunLogTail;

std::string TempFile(const std::string& name, const std::string& content) {
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

TEST(FormLoad, AnEmptyCommandLineShowsTheUsageAndEndsTheRun) {
  Form1 form;
  ::testing::internal::CaptureStdout();
  Form_Load(form, {});
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("/f:"), std::string::npos) << out;
  EXPECT_FALSE(form.Loaded());
  EXPECT_EQ(form.Status(), ExitStatus::kDone);
}

TEST(FormLoad, AMissingFormatIsRefused) {
  RunLogTail log;
  Form1 form;
  Form_Load(form, {"report~1.xml"});
  EXPECT_TRUE(log.Has("ОШИБКА! Формат выходного файла не указан! Допустимые форматы: xls,doc"));
  EXPECT_FALSE(form.Loaded());
  EXPECT_EQ(form.Status(), ExitStatus::kRefused);
  EXPECT_EQ(form.appIE, nullptr);
}

TEST(FormLoad, AMissingFileIsRefused) {
  RunLogTail log;
  Form1 form;
  Form_Load(form, {"/nonexistent/a b~1.xml", "/f:xls"});
  EXPECT_TRUE(log.Has("Конвертация файла:     /nonexistent/a b~1.xml (xml->xls)"));
  EXPECT_TRUE(log.Has("ОШИБКА! Файл не найден: \"/nonexistent/a b~1.xml\""));
  EXPECT_EQ(form.Status(), ExitStatus::kRefused);
}

TEST(FormLoad, AFileNotNamedXmlIsRefused) {
  const std::string path = TempFile("quorlex-start-up-test~1.txt", "x");
  RunLogTail log;
  Form1 form;
  Form_Load(form, {path, "/f:doc"});
  EXPECT_TRUE(log.Has("ОШИБКА! Файл " + path + " не является файлом формата XML"));
  EXPECT_EQ(form.Status(), ExitStatus::kRefused);
  std::filesystem::remove(path);
}

TEST(FormLoad, AnUnknownVerboseValueIsRefused) {
  const std::string path = TempFile("quorlex-start-up-test~1.xml", "<r/>");
  RunLogTail log;
  Form1 form;
  Form_Load(form, {path, "/v:Да", "/f:xls"});
  EXPECT_TRUE(
      log.Has("ОШИБКА! Недопустимое значение параметра /v: (да) ! Допустимые значения: n,y"));
  EXPECT_EQ(form.Status(), ExitStatus::kRefused);
  std::filesystem::remove(path);
}

// An accepted command line leaves the form loaded, with its context stored
// and the browser waiting to deliver its event.
TEST(FormLoad, AnAcceptedCommandLineStoresTheContextAndStartsRendering) {
  const std::string path = TempFile("quorlex-start-up-test~2.xml", "<r/>");
  Form1 form;
  Form_Load(form, {path, "/f: Xls ", "/v:N"});
  EXPECT_TRUE(form.Loaded());
  EXPECT_EQ(form.input_path, path);
  EXPECT_EQ(form.output_format, "Xls");
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(form.txtTitle.Text(), "преобразование файла " + path + "...");
  EXPECT_EQ(form.txtProgress.Text(), "загрузка файла...");
  ASSERT_NE(form.appIE, nullptr);
  EXPECT_TRUE(form.appIE->TakePendingEvent().has_value());
  form.Unload();
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace quorlex::shell
