#include "tools/limits.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/error.h"

namespace quorlex::tools {
namespace {

class LimitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("quorlex-limits-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    ini_ = (dir_ / "quorlex.ini").string();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void Write(const std::string& text) { std::ofstream(ini_, std::ios::binary) << text; }

  std::string Refusal(const std::string& value) {
    try {
      LoadRenderSeconds(ini_);
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), kRefusalError);
      return e.Description();
    }
    ADD_FAILURE() << "accepted: " << value;
    return {};
  }

  std::filesystem::path dir_;
  std::string ini_;
};

TEST_F(LimitsTest, DefaultWhenTheFileTheSectionOrTheKeyIsMissing) {
  EXPECT_EQ(LoadRenderSeconds(ini_), 300u);
  Write("[TITLES]\r\nDAYRUR=X\r\n");
  EXPECT_EQ(LoadRenderSeconds(ini_), 300u);
  Write("[LIMITS]\r\n; render_seconds=5\r\nother=1\r\n");
  EXPECT_EQ(LoadRenderSeconds(ini_), 300u);
}

TEST_F(LimitsTest, WholeNumbersFromZeroUp) {
  for (const auto& [text, seconds] : std::initializer_list<std::pair<const char*, std::uint64_t>>{
           {"0", 0}, {"1", 1}, {"0300", 300}, {"86400", 86400}}) {
    Write(std::string("[LIMITS]\r\nrender_seconds=") + text + "\r\n");
    EXPECT_EQ(LoadRenderSeconds(ini_), seconds) << text;
  }
  // A number past any useful bound stays a (very long) bound, not a wrap.
  Write("[LIMITS]\r\nrender_seconds=99999999999999999999999999\r\n");
  EXPECT_GE(LoadRenderSeconds(ini_), 1'000'000'000'000u);
}

TEST_F(LimitsTest, AnythingElseIsASettingsErrorQuotingTheValue) {
  for (const std::string value : {"-1", "+5", "1.5", "1e3", "abc", "10s", "", "5 6"}) {
    Write("[LIMITS]\r\nrender_seconds=" + value + "\r\n");
    EXPECT_EQ(Refusal(value),
              "Недопустимое значение параметра render_seconds секции [LIMITS] в файле " + ini_ +
                  ": «" + value + "». Допустимые значения: целое число секунд от 0");
  }
}

}  // namespace
}  // namespace quorlex::tools
