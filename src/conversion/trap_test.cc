#include "conversion/trap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>

#include "conversion/recording_context.h"
#include "platform/error.h"

namespace quorlex::conversion {
namespace {

std::string TempFile(const std::string& name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

TEST(Trap, LogsShowsDeletesReleasesAndEndsTheRun) {
  RecordingContext context;
  context.output_path = TempFile("quorlex-trap-test-output.xls");
  { std::ofstream(context.output_path) << "left by an earlier run"; }
  context.Progress().SetProgress("загрузка файла...");
  std::vector<std::string> steps;
  Trap(context, "ConvertToExcel", Error(kRefusalError, "Шаблон не найден"),
       {[&] { steps.push_back("alerts off"); }, [&] { steps.push_back("released"); }});
  EXPECT_EQ(context.Log(), std::vector<std::string>{"ОШИБКА! (ConvertToExcel) Шаблон не найден"});
  EXPECT_EQ(context.ProgressBox().Text(), "загрузка файла...\r\nШаблон не найден");
  EXPECT_EQ(context.ProgressBox().Repaints(), 1);  // the error line is not repainted
  EXPECT_FALSE(std::filesystem::exists(context.output_path));
  EXPECT_EQ(steps, (std::vector<std::string>{"alerts off", "released"}));
  EXPECT_TRUE(context.Failed());
  EXPECT_TRUE(context.Unloaded());
}

// A clean-up step that fails does not keep the later ones from running.
TEST(Trap, EveryStepRunsWhenOneBeforeItFails) {
  RecordingContext context;
  context.output_path = "/proc/version";  // exists, cannot be deleted
  std::vector<std::string> steps;
  Trap(context, "ConvertToWord", std::runtime_error("сбой"),
       {[&] {
          steps.push_back("close");
          throw std::runtime_error("already closed");
        },
        [&] { steps.push_back("release"); }});
  EXPECT_EQ(context.Log(), std::vector<std::string>{"ОШИБКА! (ConvertToWord) сбой"});
  EXPECT_EQ(steps, (std::vector<std::string>{"close", "release"}));
  EXPECT_TRUE(context.Unloaded());
}

TEST(Trap, AnAllocationFailureIsLoggedAsOutOfMemory) {
  EXPECT_EQ(FailureDescription(std::bad_alloc()), "Недостаточно памяти");
  EXPECT_EQ(FailureDescription(std::bad_array_new_length()), "Недостаточно памяти");
  EXPECT_EQ(FailureDescription(Error(kRefusalError, "текст")), "текст");
}

}  // namespace
}  // namespace quorlex::conversion
