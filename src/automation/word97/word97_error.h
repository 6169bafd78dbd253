#pragma once

#include <string>

#include "platform/error.h"

namespace quorlex::automation::word97 {

// Why a file could not be read. The object model turns the reason into a
// sentence about the template; the description here stands on its own.
enum class ReadFailure {
  kUnreadable,  // missing, not a file, or an I/O error
  kNotWord,     // not a compound file, or no Word document inside
  kOldVersion,  // Word 6.0/95 or older
  kEncrypted,   // password-protected or obfuscated
  kDamaged,     // a Word 97-2003 document whose structures do not hold
};

// The description reads "Файл <predicate>"; Predicate() is the rest of
// the sentence, for callers that name the file themselves ("Шаблон X ...").
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

// A damaged-file error about one structure of the file.
[[noreturn]] void ThrowDamaged(const std::string& what);

}  // namespace quorlex::automation::word97
