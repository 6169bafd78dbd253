#include "platform/replacing_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/error.h"
#include "platform/interruption.h"

namespace quorlex::platform {
namespace {

// A short hidden name in the target's directory, for mkstemp to complete:
// the target's own name may already be as long as a name can be.
std::string TemporaryPattern(const std::string& target) {
  const auto slash = target.find_last_of('/');
  const std::string directory = slash == std::string::npos ? "./" : target.substr(0, slash + 1);
  return directory + ".quorlex-XXXXXX";
}

std::string SystemReason() { return std::strerror(errno); }

}  // namespace

ReplacingFile::ReplacingFile(std::string target)
    : target_(std::move(target)), temp_(TemporaryPattern(target_)) {
  // No interruption may fall between the file's creation and its
  // registration for removal.
  const SignalsHeld held;
  const int fd = ::mkstemp(temp_.data());
  if (fd < 0)
    throw Error(errors::kFile, "Не удалось создать файл " + target_ + ": " + SystemReason());
  registration_.Register(temp_);
  file_ = ::fdopen(fd, "wb");
  if (file_ == nullptr) {
    const std::string reason = SystemReason();
    ::close(fd);
    ::unlink(temp_.c_str());
    throw Error(errors::kFile, "Не удалось создать файл " + target_ + ": " + reason);
  }
}

ReplacingFile::~ReplacingFile() {
  if (file_ != nullptr) std::fclose(file_);
  if (!committed_) ::unlink(temp_.c_str());
  registration_.Release();
}

void ReplacingFile::Commit() {
  if (std::fflush(file_) != 0 || std::ferror(file_) != 0) Fail(SystemReason());
  // The permissions a newly created file would get; on the disk before it
  // takes the target's name.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  const int fd = ::fileno(file_);
  if (::fchmod(fd, 0666 & ~mask) != 0 || ::fsync(fd) != 0) Fail(SystemReason());
  std::FILE* file = std::exchange(file_, nullptr);
  if (std::fclose(file) != 0) Fail(SystemReason());
  const SignalsHeld held;
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
    throw Error(errors::kFile, "Не удалось сохранить файл " + target_ + ": " + SystemReason());
  }
  committed_ = true;
  registration_.Release();
}

void ReplacingFile::Fail(const std::string& why) const {
  throw Error(errors::kFile, "Не удалось записать файл " + target_ + ": " + why);
}

}  // namespace quorlex::platform
