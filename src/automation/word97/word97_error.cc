#include "automation/word97/word97_error.h"

namespace quorlex::automation::word97 {

void ThrowDamaged(const std::string& what) {
  throw ReadError(ReadFailure::kDamaged, "поврежден: " + what);
}

}  // namespace quorlex::automation::word97
