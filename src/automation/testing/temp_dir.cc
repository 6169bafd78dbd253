#include "automation/testing/temp_dir.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

#include "automation/testing/written_files.h"

namespace quorlex::automation::testing {

TempDir::TempDir(Holds holds) : holds_(holds) {
  std::string pattern = (std::filesystem::temp_directory_path() / "quorlex-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("cannot make a temporary directory " + pattern);
  path_ = pattern;
}

TempDir::~TempDir() {
  if (holds_ == Holds::kWrittenFiles) KeepWrittenFiles(path_);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace quorlex::automation::testing
