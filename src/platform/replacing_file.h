#pragma once

// A file written beside its target under a short hidden temporary name and
// put in the target's place only once complete: a failed or interrupted
// write leaves neither a partial file nor a damaged target.

#include <cstdio>
#include <string>

#include "platform/interruption.h"

namespace quorlex::platform {

// A file written beside its target and put in its place only when complete.
class ReplacingFile {
 public:
  // Throws quorlex::Error (errors::kFile) when the temporary file cannot be
  // made, as when the target's directory is missing.
  explicit ReplacingFile(std::string target);
  // Closes and removes the temporary file unless it was committed.
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  std::FILE* Stream() const { return file_; }

  // Makes the written file the target: flushed, with the permissions a newly
  // created file gets, on the disk, then renamed over the target. Throws
  // quorlex::Error (errors::kFile).
  void Commit();

  // Throws the error of a write that failed for the given reason.
  [[noreturn]] void Fail(const std::string& why) const;

 private:
  std::string target_;
  std::string temp_;
  std::FILE* file_ = nullptr;
  bool committed_ = false;
  TemporaryFileRegistration registration_;  // removed if the run is interrupted
};

}  // namespace quorlex::platform
