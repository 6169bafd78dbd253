#include "conversion/context.h"

namespace quorlex::conversion {

// Out of line, so that the automation objects' types need not be complete
// wherever a context is declared.
ConversionContext::~ConversionContext() = default;

}  // namespace quorlex::conversion
