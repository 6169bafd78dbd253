#include "automation/compound/read_error.h"

namespace quorlex::automation::compound {
namespace {

std::string Describe(ReadFailure failure, const std::string& detail) {
  switch (failure) {
    case ReadFailure::kUnreadable: return "Составной файл не читается: " + detail;
    case ReadFailure::kNotCompound: return "Файл не является составным файлом: " + detail;
    case ReadFailure::kDamaged: break;
  }
  return "Составной файл поврежден: " + detail;
}

}  // namespace

ReadError::ReadError(ReadFailure failure, const std::string& detail)
    : Error(failure == ReadFailure::kUnreadable ? errors::kFile : errors::kFormat,
            Describe(failure, detail)),
      failure_(failure),
      detail_(detail) {}

}  // namespace quorlex::automation::compound
