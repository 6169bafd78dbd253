#pragma once

#include <string>

#include "platform/error.h"

namespace quorlex::automation::compound {

// Why a compound file could not be read. Each engine tells the reason in
// its own words about its own kind of file; the description here stands on
// its own.
enum class ReadFailure {
  kUnreadable,   // missing, not a regular file, or an I/O error
  kNotCompound,  // no compound-file header, or one that does not hold
  kDamaged,      // a directory or stream that does not hold together
};

// A compound file that could not be read, and why.
class ReadError : public Error {
 public:
  ReadError(ReadFailure failure, const std::string& detail);
  ReadFailure Failure() const { return failure_; }
  // The reason alone: the system's or the library's message, or (for a
  // damaged file) what is wrong with it, in a few Russian words.
  const std::string& Detail() const { return detail_; }

 private:
  ReadFailure failure_;
  std::string detail_;
};

}  // namespace quorlex::automation::compound
