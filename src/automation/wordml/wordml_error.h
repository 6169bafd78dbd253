#pragma once

#include <string>

#include "platform/error.h"

namespace quorlex::automation::wordml {

// Why a package could not be read as a WordprocessingML document.
enum class ReadFailure {
  kUnreadable,  // missing, not a file, or an I/O error
  kNotWordMl,   // not a package, or no WordprocessingML document in it
  kStrict,      // Strict Open XML, which is not read
  kDamaged,     // a package whose parts do not hold together
};

// The description reads "Файл <predicate>"; Predicate() is the rest of the
// sentence, for callers that name the file themselves ("Шаблон X ...").
class ReadError : public Error {
 public:
  ReadError(ReadFailure failure, const std::string& predicate)
      : Error(errors::kFormat, "Файл " + predicate), failure_(failure), predicate_(predicate) {}
  ReadFailure Failure() const { return failure_; }
  const std::string& Predicate() const { return predicate_; }

 private:
  ReadFailure failure_;
  std::string predicate_;
};

// A damaged-package error about one part or structure.
[[noreturn]] inline void ThrowDamaged(const std::string& what) {
  throw ReadError(ReadFailure::kDamaged, "поврежден: " + what);
}

}  // namespace quorlex::automation::wordml
