#pragma once

#include "conversion/context.h"

namespace quorlex::word {

// Turns the rendered page into a document saved at the output path, then
// ends the run. Every failure ends in the converter's trap.
void ConvertToWord(conversion::ConversionContext& context);

}  // namespace quorlex::word
