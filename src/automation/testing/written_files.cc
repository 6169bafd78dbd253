#include "automation/testing/written_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "platform/text.h"

namespace quorlex::automation::testing {

namespace {

bool IsOfficeFile(const std::filesystem::path& path) {
  const std::string extension = platform::LowerAscii(path.extension().string());
  return extension == ".xls" || extension == ".xlt" || extension == ".doc" || extension == ".dot";
}

// The running test's name, to tell the copies apart.
std::string TestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name =
      info == nullptr ? "test" : std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name) {
    if (c == '/' || c == ' ') c = '_';
  }
  return name;
}

}  // namespace

void KeepWrittenFiles(const std::string& directory) {
  const char* target = std::getenv("QUORLEX_WRITTEN_FILES");
  if (target == nullptr || *target == '\0') return;
  static std::atomic<unsigned> next{0};
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(directory, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (!it->is_regular_file(error) || !IsOfficeFile(it->path())) continue;
    const std::string name = TestName() + "--" + std::to_string(::getpid()) + "-" +
                             std::to_string(next++) + "--" + it->path().filename().string();
    std::filesystem::copy_file(it->path(), std::filesystem::path(target) / name,
                               std::filesystem::copy_options::overwrite_existing, error);
    error.clear();
  }
}

}  // namespace quorlex::automation::testing
