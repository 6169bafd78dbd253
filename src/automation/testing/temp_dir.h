#pragma once

#include <string>

namespace quorlex::automation::testing {

// A directory of its own under the system's temporary directory, removed
// with its content at the end of the scope (the workbooks and documents in
// it kept for the end-of-run checks first: see written_files.h).
class TempDir {
 public:
  enum class Holds {
    kWrittenFiles,  // what the code under test writes: kept for the checks
    kInputs,        // files a test makes to read (templates of other programs)
  };
  explicit TempDir(Holds holds = Holds::kWrittenFiles);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
  Holds holds_;
};

}  // namespace quorlex::automation::testing
