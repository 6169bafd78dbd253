#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace quorlex::platform {
namespace {

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("quorlex-files-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Make(const std::string& name, const std::string& content = "x") {
    const auto path = (dir_ / name).string();
    std::ofstream(path) << content;
    return path;
  }
  std::filesystem::path dir_;
};

TEST_F(FilesTest, OnlyVisibleRegularFilesAreOrdinary) {
  EXPECT_TRUE(IsOrdinaryFile(Make("a~1.xml")));
  EXPECT_FALSE(IsOrdinaryFile(Make(".hidden.xml")));
  EXPECT_FALSE(IsOrdinaryFile(dir_.string()));
  EXPECT_FALSE(IsOrdinaryFile(dir_.string() + "/"));
  EXPECT_FALSE(IsOrdinaryFile((dir_ / "*.xml").string()));
  EXPECT_FALSE(IsOrdinaryFile((dir_ / "missing.xml").string()));
  EXPECT_FALSE(IsOrdinaryFile(""));
  std::filesystem::create_directory(dir_ / "d.xml");
  EXPECT_FALSE(IsOrdinaryFile((dir_ / "d.xml").string()));
}

TEST_F(FilesTest, AppendCreatesAndKeeps) {
  const auto path = (dir_ / "log").string();
  EXPECT_TRUE(AppendToFile(path, "one\r\n"));
  EXPECT_TRUE(AppendToFile(path, "two\r\n"));
  EXPECT_EQ(ReadFile(path), "one\r\ntwo\r\n");
  EXPECT_FALSE(AppendToFile((dir_ / "no/such/dir/log").string(), "x"));
}

TEST_F(FilesTest, TailOfAFile) {
  const auto path = (dir_ / "log").string();
  EXPECT_EQ(ReadFileTail(path, 2), std::nullopt);
  AppendToFile(path, "");
  EXPECT_EQ(ReadFileTail(path, 2), "");
  AppendToFile(path, "x");
  EXPECT_EQ(ReadFileTail(path, 2), "x");
  EXPECT_EQ(AppendAsFarAsPossible(path, "yz\r\n"), 4u);
  EXPECT_EQ(ReadFileTail(path, 2), "\r\n");
  EXPECT_EQ(ReadFileTail(dir_.string(), 2), std::nullopt);
}

TEST_F(FilesTest, DeleteAndExists) {
  const auto path = Make("out.xls");
  EXPECT_TRUE(Exists(path));
  EXPECT_TRUE(DeleteFile(path));
  EXPECT_FALSE(Exists(path));
  EXPECT_FALSE(DeleteFile(path));
}

}  // namespace
}  // namespace quorlex::platform
