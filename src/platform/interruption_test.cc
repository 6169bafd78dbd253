#include "platform/interruption.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "platform/files.h"

namespace quorlex::platform {
namespace {

namespace fs = std::filesystem;

class InterruptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("quorlex-interruption-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Make(const std::string& name) {
    const auto path = (dir_ / name).string();
    AppendToFile(path, "x");
    return path;
  }
  // Runs `body` in a child process and returns its wait status.
  template <typename Body>
  int InChild(Body body) {
    const pid_t child = fork();
    if (child == 0) {
      body();
      _exit(99);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
  }
  fs::path dir_;
};

TEST_F(InterruptionTest, SignalRemovesOutputAndTemporaryFileLogsAndExits) {
  const auto output = Make("report.xls");
  const auto temporary = Make(".quorlex-abc");
  const auto log = (dir_ / "quorlex.log").string();
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    const auto kept = Make("kept.txt");
    AppendToFile(output, "x");
    AppendToFile(temporary, "x");
    const int status = InChild([&] {
      ArmInterruption(
          log, output,
          {{SIGTERM, "term\r\n", ""}, {SIGINT, "int\r\n", ""}, {SIGHUP, "hup\r\n", ""}});
      TemporaryFileRegistration registration;
      registration.Register(temporary);
      raise(signal);
    });
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_FALSE(Exists(output));
    EXPECT_FALSE(Exists(temporary));
    EXPECT_TRUE(Exists(kept));
  }
  EXPECT_EQ(ReadFile(log), "term\r\nint\r\nhup\r\n");
}

TEST_F(InterruptionTest, ReleasedTemporaryFileAndHeldSignals) {
  const auto output = Make("report.xls");
  const auto renamed = Make("renamed");
  const int status = InChild([&] {
    ArmInterruption((dir_ / "quorlex.log").string(), output, {{SIGTERM, "", ""}});
    TemporaryFileRegistration registration;
    registration.Register(renamed);
    registration.Release();
    {
      const SignalsHeld held;
      raise(SIGTERM);
      // Still here: the signal waits for the holder to end.
      AppendToFile(output + ".reached", "x");
    }
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_TRUE(Exists(output + ".reached"));
  EXPECT_TRUE(Exists(renamed));
  EXPECT_FALSE(Exists(output));
}

TEST_F(InterruptionTest, RemoveRegisteredOutput) {
  const auto output = Make("report.doc");
  const int status = InChild([&] {
    ArmInterruption((dir_ / "quorlex.log").string(), output, {});
    _exit(RemoveRegisteredOutput() && RegisteredOutputPath() == output ? 0 : 1);
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_FALSE(Exists(output));
}

}  // namespace
}  // namespace quorlex::platform
