#include "tools/run_log.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "platform/files.h"

namespace quorlex::tools {
namespace {

std::tm At(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

TEST(RunLogTest, TimeStampIsNineteenCharacters) {
  EXPECT_EQ(FormatTimeStamp(At(2027, 2, 1, 9, 5, 3)), "01.02.2027 09:05:03");
  EXPECT_EQ(FormatTimeStamp(At(2026, 12, 7, 14, 35, 9)), "07.12.2026 14:35:09");
  EXPECT_EQ(FormatTimeStamp(At(2026, 12, 31, 23, 59, 59)).size(), 19u);
}

TEST(RunLogTest, LineLayouts) {
  const auto t = At(2027, 2, 1, 9, 5, 3);
  EXPECT_EQ(FormatLogLine("", false, t), "\t\t\t\r\n");
  EXPECT_EQ(
      FormatLogLine("   Книга сохранена", true, t),
      "01.02.2027 09:05:03\t   \xCA\xED\xE8\xE3\xE0 \xF1\xEE\xF5\xF0\xE0\xED\xE5\xED\xE0\r\n");
  // Every message is one line: CR and LF inside it become spaces.
  EXPECT_EQ(FormatLogLine("a\r\nb\nc", false, t), "\t\t\ta  b c\r\n");
}

TEST(RunLogTest, AppendsAndNeverFails) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("quorlex-runlog-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const auto path = (dir / "quorlex.log").string();
  AppendLogLine(path, "first", false);
  AppendLogLine(path, "second", true);
  const auto content = platform::ReadFile(path).value_or("");
  EXPECT_EQ(content.substr(0, 10), "\t\t\tfirst\r\n");
  EXPECT_EQ(content.size(), 10u + 19 + 1 + 6 + 2);
  // A log left ending inside a line (a full disk) gets its line ended first.
  platform::AppendToFile(path, "torn fragm");
  AppendLogLine(path, "third", false);
  EXPECT_EQ(platform::ReadFile(path).value_or("").substr(content.size()),
            "torn fragm\r\n\t\t\tthird\r\n");
  // A log that cannot be written loses the line silently.
  AppendLogLine((dir / "missing" / "quorlex.log").string(), "lost", true);
  AppendLogLine(dir.string(), "lost", true);
  std::filesystem::remove_all(dir);
}

// A file-size limit stands in for a full disk: the line is cut short, and
// its rest is written before the next line once the limit is lifted.
TEST(RunLogTest, ShortWriteIsCompletedWhenTheDiskAllows) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("quorlex-runlog-short-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const auto path = (dir / "quorlex.log").string();
  AppendLogLine(path, "first", false);
  const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit full = saved;
  full.rlim_cur = 10 + 5;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
  AppendLogLine(path, "second", false);
  AppendLogLine(path, "lost", false);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
  std::signal(SIGXFSZ, previous_handler);
  EXPECT_EQ(platform::ReadFile(path).value_or(""), "\t\t\tfirst\r\n\t\t\tse");
  AppendLogLine(path, "third", false);
  EXPECT_EQ(platform::ReadFile(path).value_or(""),
            "\t\t\tfirst\r\n\t\t\tsecond\r\n\t\t\tthird\r\n");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace quorlex::tools
